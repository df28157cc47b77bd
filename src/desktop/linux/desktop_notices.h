#pragma once
// The link notices as desktop notifications (`org.freedesktop.Notifications`).
//
// Every call is asynchronous: the user-interface thread never waits on the bus.
// Each notice replaces the one before it (its `replaces_id`), so they never
// stack; a notice sent while the previous call is still unanswered waits for
// that answer (it needs the id) and only the newest waiting one is sent.
// A notice that cannot be delivered - no bus, no daemon, an error answer, no
// answer in time - comes back through undelivered(), so the caller can show it
// another way.
//
//   DesktopNotices notices(QDBusConnection::sessionBus());
//   connect(&notices, &DesktopNotices::undelivered, ..., showBalloon);
//   notices.send({.title = "Torvik Status", .text = "Device opened", .image = plug});

#include "desktop/notice_channel.h"

#include <QDBusConnection>

#include <optional>

class QDBusPendingCallWatcher;

class DesktopNotices : public NoticeChannel {
    Q_OBJECT
public:
    static constexpr int kDefaultAnswerMs = 2000;
    static constexpr unsigned char kNormalUrgency = 1;

    explicit DesktopNotices(QDBusConnection bus, int answerTimeoutMs = kDefaultAnswerMs,
                            QObject* parent = nullptr);

    void send(const DesktopNotice& notice) override;

    // The id the daemon gave the last delivered notice (0 before the first).
    quint32 lastId() const { return id_; }
    // A call is on its way and not yet answered.
    bool pending() const { return inFlight_; }

private:
    void post(const DesktopNotice& notice);
    void answered(QDBusPendingCallWatcher* call, const DesktopNotice& notice);

    QDBusConnection bus_;
    int answerTimeoutMs_;
    quint32 id_ = 0;
    bool inFlight_ = false;
    std::optional<DesktopNotice> waiting_;
};
