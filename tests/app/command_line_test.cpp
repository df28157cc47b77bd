// The command line is read before any GUI object exists: help and version
// answer and end, anything the program does not take ends with status 2.
#include "app/command_line.h"
#include "app/display_check.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

using Action = app::CommandLineOutcome::Action;

app::CommandLineOutcome parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("/usr/bin/torvik-master"));
    return app::parseCommandLine(arguments);
}

TEST(CommandLine, NoArgumentsRunsTheProgram) {
    const auto outcome = parse({});
    EXPECT_EQ(outcome.action, Action::Run);
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_TRUE(outcome.err.isEmpty());
}

TEST(CommandLine, HelpInEveryFormPrintsUsageAndEnds) {
    for (const QString& form : {QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("-?")}) {
        SCOPED_TRACE(form.toStdString());
        const auto outcome = parse({form});
        EXPECT_EQ(outcome.action, Action::Exit);
        EXPECT_EQ(outcome.exitStatus, 0);
        EXPECT_TRUE(outcome.out.startsWith(QStringLiteral("Usage: torvik-master [options]")));
        EXPECT_TRUE(outcome.out.contains(QStringLiteral("--version")));
        // Qt's pass-through options stay out of the help.
        EXPECT_FALSE(outcome.out.contains(QStringLiteral("platform")));
        EXPECT_TRUE(outcome.err.isEmpty());
    }
}

TEST(CommandLine, VersionNamesProgramAndVersion) {
    QCoreApplication::setApplicationVersion(QStringLiteral("7.3"));
    const auto outcome = parse({QStringLiteral("--version")});
    EXPECT_EQ(outcome.action, Action::Exit);
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.out, QStringLiteral("torvik-master 7.3\n"));
}

TEST(CommandLine, QtsOwnOptionsPassThrough) {
    for (const QStringList& args : {QStringList{QStringLiteral("-platform"), QStringLiteral("xcb")},
                                    QStringList{QStringLiteral("--style=fusion"), QStringLiteral("-reverse")},
                                    QStringList{QStringLiteral("-display"), QStringLiteral(":1")}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        EXPECT_EQ(parse(args).action, Action::Run);
    }
}

TEST(CommandLine, RefusalsEndWithStatusTwoAndSayWhy) {
    struct Case {
        QStringList args;
        QString says;
    };
    const Case cases[] = {
        {{QStringLiteral("--bogus")}, QStringLiteral("Unknown option 'bogus'")},
        {{QStringLiteral("-x")}, QStringLiteral("Unknown option 'x'")},
        {{QStringLiteral("--help-all")}, QStringLiteral("Unknown option 'help-all'")},
        {{QStringLiteral("stray")}, QStringLiteral("unexpected argument 'stray'")},
        {{QStringLiteral("--version"), QStringLiteral("extra")},
         QStringLiteral("unexpected argument 'extra'")},
        {{QStringLiteral("--help"), QStringLiteral("--help")}, QStringLiteral("given twice")},
        {{QStringLiteral("-h"), QStringLiteral("--help")}, QStringLiteral("given twice")},
        {{QStringLiteral("-v"), QStringLiteral("--version")}, QStringLiteral("given twice")},
        {{QStringLiteral("-platform"), QStringLiteral("a"), QStringLiteral("--platform=b")},
         QStringLiteral("given twice")},
        {{QStringLiteral("-platform")}, QStringLiteral("Missing value")},
        {{QStringLiteral("--version=3")}, QStringLiteral("Unexpected value")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const auto outcome = parse(c.args);
        EXPECT_EQ(outcome.action, Action::Exit);
        EXPECT_EQ(outcome.exitStatus, 2);
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_TRUE(outcome.err.startsWith(QStringLiteral("torvik-master: "))) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.says)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.endsWith(QStringLiteral("Try 'torvik-master --help'.\n")));
    }
}

// The display named in the one-line refusal, and the one whose tray is looked
// for: Qt's own choice of platform and display, in each of its spellings.
TEST(CommandLine, TheDisplayToOpenIsTheOneQtWillTry) {
    const auto displayFor = [](QStringList arguments, const QStringList& variables) {
        arguments.prepend(QStringLiteral("torvik-master"));
        QProcessEnvironment environment;
        for (const QString& variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        return app::displayToOpen(arguments, environment);
    };
    EXPECT_EQ(displayFor({}, {}), "");
    EXPECT_EQ(displayFor({}, {"DISPLAY=:5"}), ":5");
    EXPECT_EQ(displayFor({"-display", ":7.1"}, {"DISPLAY=:5"}), ":7.1");
    EXPECT_EQ(displayFor({"--display=host:3"}, {"DISPLAY=:5"}), "host:3");
    EXPECT_EQ(displayFor({"-style", "fusion", "-display", ":8"}, {}), ":8");
    EXPECT_EQ(displayFor({"-platform", "wayland"}, {"DISPLAY=:5"}), "wayland-0");
    EXPECT_EQ(displayFor({}, {"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=w-1"}), "w-1");
    EXPECT_EQ(displayFor({"-platform", "xcb"}, {"QT_QPA_PLATFORM=wayland", "DISPLAY=:5"}), ":5");
    EXPECT_EQ(displayFor({}, {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=w-2", "DISPLAY=:5"}), "w-2");
    // Qt keeps GNOME's Wayland session on X11.
    EXPECT_EQ(displayFor({}, {"XDG_SESSION_TYPE=wayland", "XDG_CURRENT_DESKTOP=GNOME", "DISPLAY=:5"}), ":5");
}

}  // namespace
