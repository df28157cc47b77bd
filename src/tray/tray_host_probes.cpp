#include "tray/tray_host_probes.h"

#include <QByteArray>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kBusAnswerMs = 500;
}  // namespace

bool statusNotifierHostOnBus(const QDBusConnection& bus, int timeoutMs) {
    if (!bus.isConnected()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

struct XEmbedTrayProbe::Connection {
    xcb_connection_t* connection = nullptr;
    xcb_atom_t selection = XCB_ATOM_NONE;
};

XEmbedTrayProbe::XEmbedTrayProbe() : x_(std::make_unique<Connection>()) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.constData()),
        nullptr);
    if (!atom) {
        xcb_disconnect(connection);
        return;
    }
    x_->connection = connection;
    x_->selection = atom->atom;
    std::free(atom);
}

XEmbedTrayProbe::~XEmbedTrayProbe() {
    if (x_->connection) xcb_disconnect(x_->connection);
}

bool XEmbedTrayProbe::operator()() const {
    if (!x_->connection || xcb_connection_has_error(x_->connection)) return false;
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        x_->connection, xcb_get_selection_owner(x_->connection, x_->selection), nullptr);
    if (!reply) return false;
    const bool owned = reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

TrayHostProbes desktopTrayHostProbes() {
    TrayHostProbes probes;
    probes.statusNotifierHost = [] {
        return statusNotifierHostOnBus(QDBusConnection::sessionBus(), kBusAnswerMs);
    };
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto xembed = std::make_shared<XEmbedTrayProbe>();
        probes.xembedTray = [xembed] { return (*xembed)(); };
    }
    return probes;
}
