// AT-SPI's GetRangeExtents for the log, answered by the log itself. Qt's
// bridge measures a range by asking for every offset's cell up to the end it
// is given, however far past the text that lies, so a reader that asks up to
// INT_MAX keeps the user-interface thread busy for good. The bridge's object
// for accessible paths is wrapped: this one call, for a log view, goes to
// LogViewAccessible::rangeRect(), which clamps the range to the text first;
// every other call goes to the bridge unchanged.

#include "logview/accessible/log_view_accessible.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QPointer>

namespace {

// Where the bridge answers for every accessible object, on the connection it
// makes to the accessibility bus.
const QString kBusName = QStringLiteral("a11y");
const QString kAccessiblePath = QStringLiteral("/org/a11y/atspi/accessible");

// AT-SPI's coordinate types.
enum CoordType : uint { Screen = 0, Window = 1, Parent = 2 };

QAccessibleInterface* windowOf(QAccessibleInterface* a) {
    while (a && a->role() != QAccessible::Window) a = a->parent();
    return a;
}

class RangeExtents final : public QDBusVirtualObject {
public:
    RangeExtents(QDBusVirtualObject* bridge, QObject* parent) : QDBusVirtualObject(parent), bridge_(bridge) {}

    QString introspect(const QString& path) const override {
        return bridge_ ? bridge_->introspect(path) : QString();
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (answerRange(message, connection)) return true;
        return bridge_ && bridge_->handleMessage(message, connection);
    }

private:
    static bool answerRange(const QDBusMessage& message, const QDBusConnection& connection) {
        if (message.type() != QDBusMessage::MethodCallMessage || message.member() != u"GetRangeExtents" ||
            message.interface() != u"org.a11y.atspi.Text" || message.arguments().size() != 3)
            return false;
        const QString path = message.path();
        if (!path.startsWith(kAccessiblePath + u'/')) return false;
        bool isId = false;
        const QAccessible::Id id = QStringView(path).mid(kAccessiblePath.size() + 1).toUInt(&isId);
        auto* log = isId ? dynamic_cast<LogViewAccessible*>(QAccessible::accessibleInterface(id)) : nullptr;
        const QList<QVariant> args = message.arguments();
        const uint coordType = args.at(2).toUInt();
        if (!log || !log->isValid() || coordType > Parent) return false;  // the bridge's own answer

        QRect r = log->rangeRect(args.at(0).toInt(), args.at(1).toInt());
        if (r.isNull()) {
            r = QRect(-1, -1, 0, 0);
        } else if (coordType != Screen) {
            QAccessibleInterface* origin = coordType == Window ? windowOf(log) : log->parent();
            if (origin) r.translate(-origin->rect().topLeft());
        }
        connection.send(message.createReply(QList<QVariant>{r.x(), r.y(), r.width(), r.height()}));
        return true;
    }

    QPointer<QDBusVirtualObject> bridge_;
};

}  // namespace

void answerLogRangesOverAtSpi() {
    QDBusConnection bus(kBusName);
    if (!bus.isConnected()) return;
    QObject* registered = bus.objectRegisteredAt(kAccessiblePath);
    if (!registered || dynamic_cast<RangeExtents*>(registered)) return;
    auto* bridge = qobject_cast<QDBusVirtualObject*>(registered);
    if (!bridge) return;
    auto* wrapped = new RangeExtents(bridge, QCoreApplication::instance());
    bus.unregisterObject(kAccessiblePath);
    if (!bus.registerVirtualObject(kAccessiblePath, wrapped, QDBusConnection::SubPath)) {
        bus.registerVirtualObject(kAccessiblePath, bridge, QDBusConnection::SubPath);
        delete wrapped;
    }
}
