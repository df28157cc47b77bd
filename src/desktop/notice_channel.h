#pragma once
// A way of telling the user about the link besides the icon's own balloon:
// desktop notifications on Linux. A notice that cannot be delivered comes back
// through undelivered(), so the caller can show it another way.

#include <QImage>
#include <QObject>
#include <QString>

struct DesktopNotice {
    QString title;
    QString text;
    QImage image;         // shown as the notice's icon; none when null
    int expireMs = 3000;  // how long the daemon is asked to show it
};

class NoticeChannel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void send(const DesktopNotice& notice) = 0;

signals:
    void delivered(quint32 id);
    void undelivered(const DesktopNotice& notice);
};
