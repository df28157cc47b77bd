#include "window/frame_extents.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kPollMs = 5;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The CARDINAL[] or ATOM[] property `property` of `window`, empty when unset.
Reply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                         xcb_atom_t type) {
    return {xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr),
            &std::free};
}

bool supportedByWindowManager(xcb_connection_t* c, xcb_window_t root, xcb_atom_t feature) {
    const auto supported = property(c, root, internAtom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    if (!supported || supported->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
    const int count = xcb_get_property_value_length(supported.get()) / 4;
    for (int i = 0; i < count; ++i)
        if (atoms[i] == feature) return true;
    return false;
}

std::optional<QMargins> readExtents(xcb_connection_t* c, xcb_window_t window, xcb_atom_t extents) {
    const auto reply = property(c, window, extents, XCB_ATOM_CARDINAL);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    // left, right, top, bottom
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
}

}  // namespace

std::optional<QMargins> frameextents::request(QWindow& window, int timeoutMs) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return std::nullopt;
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t ask = internAtom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = internAtom(c, "_NET_FRAME_EXTENTS");
    if (auto known = readExtents(c, id, extents)) return known;
    if (!supportedByWindowManager(c, root, ask)) return std::nullopt;

    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = ask;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);

    QElapsedTimer clock;
    clock.start();
    do {
        if (auto answer = readExtents(c, id, extents)) return answer;
        QThread::msleep(kPollMs);
    } while (clock.elapsed() < timeoutMs);
    return std::nullopt;
}
