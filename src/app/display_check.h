#pragma once
// Starting without a display: Qt's platform plugin ends the process with an
// abort and a page about reinstalling the application. We print one line that
// names the display that could not be opened and end with status 1 instead.
//
//   const app::DisplayOpenGuard guard(program, app::displayToOpen(arguments, environment));
//   app::TorvikApplication application(argc, argv);   // ends the process here without a display
//
// While the guard lives, Qt's messages are held back; a fatal one ends the
// process with the line, the others are passed on when the guard goes.

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtMessageHandler>

namespace app {

// The display Qt will try to open, as a person would name it: the value of
// "-display NAME" or $DISPLAY for X11, $WAYLAND_DISPLAY (default "wayland-0")
// for Wayland, chosen as Qt chooses the platform (-platform, $QT_QPA_PLATFORM,
// $XDG_SESSION_TYPE). Empty when no display is named at all.
QString displayToOpen(const QStringList& arguments, const QProcessEnvironment& environment);

// The line printed when `display` cannot be opened (without its line end).
QString cannotOpenDisplayText(const QString& program, const QString& display);

class DisplayOpenGuard {
public:
    DisplayOpenGuard(QString program, QString display);
    ~DisplayOpenGuard();
    DisplayOpenGuard(const DisplayOpenGuard&) = delete;
    DisplayOpenGuard& operator=(const DisplayOpenGuard&) = delete;

private:
    struct Held {
        QtMsgType type;
        QByteArray category;
        QString text;
    };
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QString line_;
    QtMessageHandler previous_ = nullptr;
    QList<Held> held_;
};

}  // namespace app
