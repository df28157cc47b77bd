#pragma once
// The frame that the window manager puts around a top-level window, known
// before the window is first mapped. On X11 the window manager tells it in
// _NET_FRAME_EXTENTS, which it sets on an unmapped window when asked with
// _NET_REQUEST_FRAME_EXTENTS. Elsewhere, or without an answer, it is unknown.

#include <QMargins>

#include <optional>

class QWindow;

namespace frameextents {

// Asks for the frame around `window` (created, not yet mapped) and waits up
// to `timeoutMs` for the answer.
std::optional<QMargins> request(QWindow& window, int timeoutMs);

}  // namespace frameextents
