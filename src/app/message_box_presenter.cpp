#include "app/message_box_presenter.h"

#include "app/session_end.h"
#include "text/error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

namespace app {

void installMessageBoxPresenter(SessionEndSignals* sessionEnd) {
    const QPointer<SessionEndSignals> ends(sessionEnd);
    errorbox::setPresenter([ends](const QString& title, const QString& text) {
        auto showBox = [ends, title, text] {
            if (ends && ends->requested()) return;
            QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
            if (ends) QObject::connect(ends, &SessionEndSignals::endRequested, &box, &QMessageBox::reject);
            box.exec();
        };
        // A box belongs on the UI thread; another thread waits until it is closed.
        if (QThread::currentThread() == qApp->thread())
            showBox();
        else
            QMetaObject::invokeMethod(qApp, showBox, Qt::BlockingQueuedConnection);
    });
}

}  // namespace app
