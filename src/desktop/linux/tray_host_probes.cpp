#include "desktop/linux/tray_host_probes.h"

#include "desktop/desktop_tray.h"

#include <QtGui/qguiapplication_platform.h>
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

XEmbedTrayProbe::XEmbedTrayProbe(xcb_connection_t* connection, int screen) {
    if (!connection || xcb_connection_has_error(connection)) return;
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.constData()),
        nullptr);
    if (!atom) return;
    connection_ = connection;
    selection_ = atom->atom;
    std::free(atom);
}

bool XEmbedTrayProbe::operator()() const {
    if (!connection_ || xcb_connection_has_error(connection_)) return false;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
    if (!reply) return false;
    const bool owned = reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

int screenOfDisplay(const QString& displayName) {
    int screen = 0;
    char* host = nullptr;
    int display = 0;
    const QByteArray name = displayName.toLocal8Bit();
    if (!name.isEmpty() && xcb_parse_display(name.constData(), &host, &display, &screen) == 0) screen = 0;
    std::free(host);
    return screen;
}

TrayHostProbes desktopTrayHostProbes(const QString& displayName) {
    TrayHostProbes probes;
    probes.statusNotifierHost = [] {
        return statusNotifierHostOnBus(QDBusConnection::sessionBus(), kBusAnswerMs);
    };
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        const XEmbedTrayProbe xembed(x11->connection(), screenOfDisplay(displayName));
        probes.xembedTray = [xembed] { return xembed(); };
    }
    return probes;
}
