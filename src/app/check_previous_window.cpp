#include "app/check_previous_window.h"

#include <QGuiApplication>
#include <QWindow>

namespace CheckPrevious {

QWindow* FindWindow(WindowHandle handle) {
    if (handle == 0) return nullptr;
    for (QWindow* window : QGuiApplication::allWindows()) {
        // Only windows that already have a native window; asking the others
        // for their handle would create one.
        if (window->handle() && static_cast<WindowHandle>(window->winId()) == handle) return window;
    }
    return nullptr;
}

void BringWindowForward(WindowHandle handle) {
    if (QWindow* window = FindWindow(handle)) BringForward(window);
}

void BringForward(QWindow* window) {
    if (window->windowStates() & Qt::WindowMinimized) window->showNormal();
    if (!window->isVisible()) return;
    window->raise();
    window->requestActivate();
}

}  // namespace CheckPrevious
