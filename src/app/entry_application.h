#pragma once
// The program's application object: an error that escapes a handler on the
// user-interface thread (a timer tick, a button, a menu command) is shown in
// the application's error report ("Torvik Master", error icon, OK) and the
// program carries on.

#include <QApplication>

#include <functional>

namespace app {

// Runs `deliver`; an exception escaping it is reported and counts as unhandled.
bool deliverReportingErrors(const std::function<bool()>& deliver);

class TorvikApplication : public QApplication {
public:
    TorvikApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace app
