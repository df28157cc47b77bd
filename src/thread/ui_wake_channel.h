#pragma once
// A wake-up for the user-interface thread that travels outside Qt's posted
// events, where the system has a cheap one.
//
// A posted event costs the poster an allocation and Qt's and glib's locks, and
// wakes the owner's event loop for a full pass: glib's sources, and on X11 a
// look at the xcb event queue, whatever woke it. The reader hands a batch over
// a hundred times a second for weeks, so its wake-up is one byte down a pipe
// that a socket notifier watches instead.

#include <QObject>

#include <functional>

class UiWakeChannel : public QObject {
public:
    using QObject::QObject;

    // Any thread: makes the owner thread run the channel's callback soon.
    // Several signals before it runs may bring one run.
    virtual void signal() = 0;
};

// A channel, a child of `owner`, whose callback `onWake` runs on `owner`'s
// thread; or null where the system has none or it cannot be made now (no file
// descriptors left): the caller then posts events.
UiWakeChannel* makeUiWakeChannel(QObject* owner, std::function<void()> onWake);
