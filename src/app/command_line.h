#pragma once
// torvik-master's command line, read before any GUI object exists so that
// --help and --version answer without a display.
//
// The program takes no options of its own besides --help and --version; Qt's
// standard ones (-platform, -display, -style, ...) pass through to the
// application object. Anything else, an option given twice, or a stray
// argument is refused with exit status 2.

#include <QString>
#include <QStringList>

namespace app {

struct CommandLineOutcome {
    enum class Action { Run, Exit };
    Action action = Action::Run;
    int exitStatus = 0;
    QString out;  // for the standard output stream
    QString err;  // for the standard error stream
};

// `arguments` is argv as text, the program's name first.
CommandLineOutcome parseCommandLine(const QStringList& arguments);

// Parses argv and prints the outcome's texts. Returns -1 to run the program,
// otherwise the exit status to end with.
int handleCommandLine(int argc, char** argv);

}  // namespace app
