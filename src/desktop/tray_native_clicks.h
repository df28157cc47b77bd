#pragma once
// The right and middle double-clicks on the icon, where only the system's own
// messages carry them. On Windows Qt reports the left double-click but not the
// other two; the shell sends them, like every mouse message on the icon, to
// the icon's window with Qt's callback message (WM_APP + 101 in Qt 6.4, with
// the mouse message in the low word of lParam), which this filter watches.
// Elsewhere makeNativeDoubleClicks() gives none: on X11 the presses reach the
// tray shell as ordinary mouse events.

#include <QAbstractNativeEventFilter>

#include <functional>
#include <memory>

class NativeDoubleClicks : public QAbstractNativeEventFilter {
public:
    // Installs itself on the application; `onDoubleClick` runs on the UI thread.
    explicit NativeDoubleClicks(std::function<void()> onDoubleClick);
    ~NativeDoubleClicks() override;
    NativeDoubleClicks(const NativeDoubleClicks&) = delete;
    NativeDoubleClicks& operator=(const NativeDoubleClicks&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::function<void()> onDoubleClick_;
};

std::unique_ptr<NativeDoubleClicks> makeNativeDoubleClicks(std::function<void()> onDoubleClick);
