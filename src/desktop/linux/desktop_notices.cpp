#include "desktop/linux/desktop_notices.h"

#include "desktop/desktop_tray.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAppName = QStringLiteral("Torvik Master");

// The `image-data` hint: width, height, row stride, alpha, bits per sample,
// channels, then the RGBA bytes row by row.
QVariant imageHint(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGBA8888);
    QDBusArgument data;
    data.beginStructure();
    data << image.width() << image.height() << static_cast<int>(image.bytesPerLine()) << true << 8 << 4
         << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    data.endStructure();
    return QVariant::fromValue(data);
}

}  // namespace

DesktopNotices::DesktopNotices(QDBusConnection bus, int answerTimeoutMs, QObject* parent)
    : NoticeChannel(parent), bus_(std::move(bus)), answerTimeoutMs_(answerTimeoutMs) {}

void DesktopNotices::send(const DesktopNotice& notice) {
    if (inFlight_) {
        waiting_ = notice;  // an older waiting notice is outdated by this one
        return;
    }
    post(notice);
}

void DesktopNotices::post(const DesktopNotice& notice) {
    if (!bus_.isConnected()) {
        // Reported from the event loop, like every other answer.
        QTimer::singleShot(0, this, [this, notice] { emit undelivered(notice); });
        return;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kNormalUrgency));
    if (!notice.image.isNull()) hints.insert(QStringLiteral("image-data"), imageHint(notice.image));

    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    notify << kAppName << id_ << QString() << notice.title << notice.text << QStringList() << hints
           << notice.expireMs;
    inFlight_ = true;
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(notify, answerTimeoutMs_), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, notice](QDBusPendingCallWatcher* done) { answered(done, notice); });
}

void DesktopNotices::answered(QDBusPendingCallWatcher* call, const DesktopNotice& notice) {
    call->deleteLater();
    inFlight_ = false;
    const QDBusPendingReply<quint32> reply = *call;
    if (reply.isError()) {
        emit undelivered(notice);
    } else {
        id_ = reply.value();
        emit delivered(id_);
    }
    if (waiting_) {
        const DesktopNotice next = *waiting_;
        waiting_.reset();
        post(next);
    }
}

std::unique_ptr<NoticeChannel> makeDesktopNoticeChannel() {
    return std::make_unique<DesktopNotices>(QDBusConnection::sessionBus());
}
