#pragma once
// A stand-in for the desktop's notification daemon on a test bus: it records
// every Notify call and answers with a new id, with an error, later (when the
// test releases the answers), or never.

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int expireMs = 0;
};

class NotificationsStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    enum class Answer { Id, Error, Later, Never };

    // Takes the daemon's name on `bus`; false when it could not.
    bool serve(QDBusConnection bus) {
        bus_ = bus;
        return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    void setAnswer(Answer answer) { answer_ = answer; }
    const QList<NotifyCall>& calls() const { return calls_; }

    // Answers every call held back by Answer::Later, in order.
    void releaseAnswers() {
        for (const QDBusMessage& held : held_) bus_.send(held.createReply(QVariant::fromValue(nextId())));
        held_.clear();
    }

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireMs) {
        calls_.append({appName, replacesId, appIcon, summary, body, actions, hints, expireMs});
        switch (answer_) {
            case Answer::Id:
                return nextId();
            case Answer::Error:
                sendErrorReply(QStringLiteral("org.freedesktop.Notifications.Error.Refused"),
                               QStringLiteral("not now"));
                return 0;
            case Answer::Later:
                setDelayedReply(true);
                held_.append(message());
                return 0;
            case Answer::Never:
                setDelayedReply(true);
                return 0;
        }
        return 0;
    }

private:
    uint nextId() { return ++lastId_ + 40; }

    QDBusConnection bus_{QString()};
    Answer answer_ = Answer::Id;
    QList<NotifyCall> calls_;
    QList<QDBusMessage> held_;
    uint lastId_ = 0;
};
