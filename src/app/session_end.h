#pragma once
// How the desktop session ends the program: SIGTERM (logout, shutdown, `kill`),
// SIGINT (Ctrl+C in the terminal that started it) and SIGHUP (that terminal
// closed) end it the way the tray menu's "Exit" does, so the icon leaves the
// tray and the single-instance slot is given back. SIGPIPE is ignored for the
// whole process: a save into a pipe whose reader went away is a failed write,
// never the end of the program and its log.
//
// Use (user-interface thread, once the application object exists):
//   app::ignoreBrokenPipes();                      // as early as possible
//   app::SessionEndSignals signals;
//   QObject::connect(&signals, &app::SessionEndSignals::endRequested, ..., exit);
//
// A signal handler may do almost nothing, so it only writes the signal's number
// into a socket pair; the event loop reads it there and emits endRequested().
// On systems without POSIX signals this watches nothing.

#include <QObject>

class QSocketNotifier;

namespace app {

void ignoreBrokenPipes();

class SessionEndSignals : public QObject {
    Q_OBJECT
public:
    explicit SessionEndSignals(QObject* parent = nullptr);
    ~SessionEndSignals() override;
    SessionEndSignals(const SessionEndSignals&) = delete;
    SessionEndSignals& operator=(const SessionEndSignals&) = delete;

    // An end was asked for, also before the event loop ran.
    bool requested() const { return requested_; }

signals:
    void endRequested(int signalNumber);

private:
    void readSignals();

    QSocketNotifier* notifier_ = nullptr;
    bool requested_ = false;
};

}  // namespace app
