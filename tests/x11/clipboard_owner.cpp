// A CLIPBOARD owner that misbehaves on demand, serving stdin as UTF8_STRING:
//   clipboard_owner MODE [PIECE_BYTES [PAUSE_MS]]
//   silent   answers TARGETS, never the text
//   incr     the text in pieces (INCR), PAUSE_MS before each
//   dies     INCR, exits after the first piece
// Exits when it loses the clipboard.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

namespace {

xcb_connection_t* c;

xcb_atom_t Atom(const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r->atom;
    std::free(r);
    return a;
}

void Notify(const xcb_selection_request_event_t& q, xcb_atom_t property) {
    const xcb_selection_notify_event_t n{XCB_SELECTION_NOTIFY, 0,           0,        q.time,
                                         q.requestor,          q.selection, q.target, property};
    xcb_send_event(c, 0, q.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&n));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "incr";
    const std::size_t piece = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 4096;
    const int pauseMs = argc > 3 ? std::atoi(argv[3]) : 0;
    const std::string text{std::istreambuf_iterator<char>(std::cin), {}};

    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 2;
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, 0, w, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = Atom("CLIPBOARD"), targets = Atom("TARGETS"), utf8 = Atom("UTF8_STRING"),
                     incr = Atom("INCR");
    xcb_set_selection_owner(c, w, clipboard, XCB_CURRENT_TIME);
    xcb_flush(c);

    xcb_window_t incrTo = XCB_NONE;  // the requestor of the transfer under way
    xcb_atom_t incrProperty = XCB_NONE;
    std::size_t sent = 0, pieces = 0;
    bool done = false;
    while (xcb_generic_event_t* e = done ? nullptr : xcb_wait_for_event(c)) {
        const int type = e->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            done = true;
        } else if (type == XCB_SELECTION_REQUEST) {
            const auto& q = *reinterpret_cast<xcb_selection_request_event_t*>(e);
            if (q.target == targets) {
                const xcb_atom_t list[] = {targets, utf8};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, q.requestor, q.property, XCB_ATOM_ATOM, 32, 2, list);
                Notify(q, q.property);
            } else if (q.target != utf8) {
                Notify(q, XCB_NONE);
            } else if (mode != "silent") {
                const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c, q.requestor, XCB_CW_EVENT_MASK, &mask);
                const auto size = static_cast<std::uint32_t>(text.size());
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, q.requestor, q.property, incr, 32, 1, &size);
                Notify(q, q.property);
                incrTo = q.requestor;
                incrProperty = q.property;
                sent = pieces = 0;
            }
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto& p = *reinterpret_cast<xcb_property_notify_event_t*>(e);
            // The requestor deleting the property asks for the next piece.
            if (p.window == incrTo && p.atom == incrProperty && p.state == XCB_PROPERTY_DELETE) {
                done = mode == "dies" && pieces == 1;
                if (!done) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                    const std::size_t n = std::min(piece, text.size() - sent);
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, incrTo, incrProperty, utf8, 8, n, text.data() + sent);
                    sent += n;
                    ++pieces;
                    if (n == 0) incrTo = XCB_NONE;  // the empty piece ends the transfer
                }
            }
        }
        std::free(e);
        xcb_flush(c);
    }
    xcb_disconnect(c);  // gone at once, not only after the exit handlers
    return 0;
}
