#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

#include <cstdio>

namespace app {

namespace {

// Qt's own options that the application object reads from the same command line.
const char* const kQtValueOptions[] = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

CommandLineOutcome refuse(const QString& program, const QString& message) {
    CommandLineOutcome outcome;
    outcome.action = CommandLineOutcome::Action::Exit;
    outcome.exitStatus = 2;
    outcome.err = QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(program, message);
    return outcome;
}

}  // namespace

CommandLineOutcome parseCommandLine(const QStringList& arguments) {
    const QString program =
        arguments.isEmpty() ? QStringLiteral("torvik-master") : QFileInfo(arguments.first()).fileName();

    QCommandLineParser parser;
    // Qt's options come with one dash ("-platform xcb"), so one dash starts a long name.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Lives in the notification area and controls and monitors a Torvik ECU simulator\n"
                       "attached by USB. It takes no options besides these and Qt's standard ones."));
    // Our own help option: the built-in one also offers --help-all, which only
    // an application object could answer.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                  QStringLiteral("Displays this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version and exits."));
    parser.addOption(help);
    parser.addOption(version);
    QList<QCommandLineOption> all{help, version};
    for (const char* name : kQtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
        all.append(option);
    }
    for (const char* name : kQtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
        all.append(option);
    }

    if (!parser.parse(arguments)) return refuse(program, parser.errorText());
    if (!parser.positionalArguments().isEmpty()) {
        return refuse(program,
                      QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    }
    // "-h --help" names one option twice as surely as "--help --help".
    QSet<int> seen;
    for (const QString& name : parser.optionNames()) {
        for (int i = 0; i < all.size(); ++i) {
            if (!all[i].names().contains(name)) continue;
            if (seen.contains(i))
                return refuse(program, QStringLiteral("option '%1' given twice.").arg(name));
            seen.insert(i);
        }
    }

    CommandLineOutcome outcome;
    if (parser.isSet(help)) {
        outcome.action = CommandLineOutcome::Action::Exit;
        // The parser names the program after an application object, which
        // does not exist yet: the usage line is ours.
        const QString text = parser.helpText();
        outcome.out = QStringLiteral("Usage: %1 [options]").arg(program) + text.mid(text.indexOf(u'\n'));
    } else if (parser.isSet(version)) {
        outcome.action = CommandLineOutcome::Action::Exit;
        outcome.out = QStringLiteral("%1 %2\n").arg(program, QCoreApplication::applicationVersion());
    }
    return outcome;
}

int handleCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineOutcome outcome = parseCommandLine(arguments);
    if (!outcome.out.isEmpty()) std::fputs(outcome.out.toLocal8Bit().constData(), stdout);
    if (!outcome.err.isEmpty()) std::fputs(outcome.err.toLocal8Bit().constData(), stderr);
    return outcome.action == CommandLineOutcome::Action::Run ? -1 : outcome.exitStatus;
}

}  // namespace app
