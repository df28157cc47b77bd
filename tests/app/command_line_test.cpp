// The command line is read before any GUI object exists: help and version
// answer and end, anything the program does not take ends with status 2.
#include "app/command_line.h"

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

}  // namespace
