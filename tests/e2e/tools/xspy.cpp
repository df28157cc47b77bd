// torvik-xspy: prints what the X server receives for the windows that appear
// after it starts, one line per event with the server's time in milliseconds:
//   <time> <window> opacity <0..255>|none
//   <time> <window> map|unmap
// It runs until it is killed. The end-to-end tests use it to see each step
// of the splash's fade as the server sees it, which polling tools miss.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

void printOpacity(xcb_connection_t* c, xcb_window_t window, xcb_atom_t opacity, xcb_timestamp_t time) {
    const auto cookie = xcb_get_property(c, 0, window, opacity, XCB_ATOM_CARDINAL, 0, 1);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 4) {
        const uint32_t value = *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        // 0xffffffff is fully opaque; shown on the 0..255 scale, rounded.
        const auto level = (static_cast<uint64_t>(value) * 255 + 0x7fffffffu) / 0xffffffffu;
        std::printf("%u 0x%x opacity %u\n", time, window, static_cast<unsigned>(level));
    } else {
        std::printf("%u 0x%x opacity none\n", time, window);
    }
}

}  // namespace

int main() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "torvik-xspy: cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t opacity = internAtom(c, "_NET_WM_WINDOW_OPACITY");
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMask);
    xcb_flush(c);
    std::printf("ready\n");
    std::fflush(stdout);

    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        switch (event->response_type & 0x7f) {
            case XCB_CREATE_NOTIFY: {
                const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(c, e->window, XCB_CW_EVENT_MASK, &mask);
                xcb_flush(c);
                break;
            }
            case XCB_PROPERTY_NOTIFY: {
                const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
                if (e->atom == opacity) printOpacity(c, e->window, opacity, e->time);
                break;
            }
            case XCB_MAP_NOTIFY: {
                const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (e->event == e->window) std::printf("- 0x%x map\n", e->window);
                break;
            }
            case XCB_UNMAP_NOTIFY: {
                const auto* e = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
                if (e->event == e->window) std::printf("- 0x%x unmap\n", e->window);
                break;
            }
            default:
                break;
        }
        std::fflush(stdout);
        std::free(event);
    }
    return 0;
}
