#include "app/message_box_presenter.h"

#include "device/error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace app {

void installMessageBoxPresenter() {
    errorbox::setPresenter([](const QString& title, const QString& text) {
        auto showBox = [title, text] {
            QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
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
