// A start-up box (no notification area, a failed guard) is up when the session
// ends: the signal closes it, so the program ends instead of waiting for a
// click, and no later box comes up.
#include "app/message_box_presenter.h"

#include "app/session_end.h"
#include "text/error_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <csignal>

namespace {

// Whether a message box is up `afterMs` into the report; `thenSignal` is raised
// then. A box still up after 3 s is closed so that the test fails, not hangs.
struct BoxWatch {
    bool seen = false;
    bool rescued = false;
    QTimer look, rescue;
    BoxWatch(int afterMs, int thenSignal) {
        look.setSingleShot(true);
        QObject::connect(&look, &QTimer::timeout, [this, thenSignal] {
            seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
            if (thenSignal != 0) std::raise(thenSignal);
        });
        look.start(afterMs);
        rescue.setSingleShot(true);
        QObject::connect(&rescue, &QTimer::timeout, [this] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                rescued = true;
                box->close();
            }
        });
        rescue.start(3000);
    }
};

TEST(MessageBoxPresenter, AnEndSignalClosesTheBoxThatIsUpAndKeepsLaterOnesAway) {
    const QString text = QStringLiteral("Shell-Benachrichtigungssymbol kann nicht erstellt werden");
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        app::SessionEndSignals sessionEnd;  // one watcher at a time, each starting afresh
        app::installMessageBoxPresenter(&sessionEnd);
        {
            BoxWatch watch(200, signalNumber);
            QElapsedTimer clock;
            clock.start();
            errorbox::reportApplicationError(text);
            EXPECT_TRUE(watch.seen) << "no box came up, signal " << signalNumber;
            EXPECT_FALSE(watch.rescued) << "signal " << signalNumber << " left the box up";
            EXPECT_LT(clock.elapsed(), 2500);
        }
        ASSERT_TRUE(sessionEnd.requested());
        // The program is on its way out: a further box never shows.
        BoxWatch watch(100, 0);
        QElapsedTimer clock;
        clock.start();
        errorbox::reportApplicationError(text);
        EXPECT_LT(clock.elapsed(), 100);
        EXPECT_FALSE(watch.rescued);
    }
    errorbox::setPresenter({});
}

}  // namespace
