#include "platform/windowframe.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace Platform {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* X11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
    return r ? r->atom : XCB_NONE;
}

std::vector<std::uint32_t> Cardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                     std::uint32_t count) {
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, count), nullptr));
    if (!r || r->type != type || r->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
    return std::vector<std::uint32_t>(values, values + xcb_get_property_value_length(r.get()) / 4);
}

xcb_window_t RootOf(xcb_connection_t* c, xcb_window_t window, xcb_window_t* parent = nullptr) {
    Reply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!r) return XCB_NONE;
    if (parent) *parent = r->parent;
    return r->root;
}

// An EWMH window manager announces itself by a check window that names itself.
bool ManagerRuns(xcb_connection_t* c, xcb_window_t root) {
    const xcb_atom_t check = Atom(c, "_NET_SUPPORTING_WM_CHECK");
    const auto onRoot = Cardinals(c, root, check, XCB_ATOM_WINDOW, 1);
    if (onRoot.empty()) return false;
    const auto onChild = Cardinals(c, onRoot[0], check, XCB_ATOM_WINDOW, 1);
    return !onChild.empty() && onChild[0] == onRoot[0];
}

bool ManagerSupports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom) {
    for (std::uint32_t a : Cardinals(c, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096))
        if (a == atom) return true;
    return false;
}

// _NET_FRAME_EXTENTS holds left, right, top, bottom in device pixels.
std::optional<QMargins> FrameExtents(xcb_connection_t* c, xcb_window_t window, xcb_atom_t extents, qreal ratio) {
    const auto v = Cardinals(c, window, extents, XCB_ATOM_CARDINAL, 4);
    if (v.size() != 4) return std::nullopt;
    auto px = [ratio](std::uint32_t n) { return qRound(static_cast<qreal>(n) / ratio); };
    return QMargins(px(v[0]), px(v[2]), px(v[1]), px(v[3]));
}

}  // namespace

std::optional<QMargins> FrameBeforeShowing(QWidget* window, int timeoutMs) {
    const xcb_window_t id = static_cast<xcb_window_t>(window->winId());
    xcb_connection_t* c = X11Connection();
    if (!c) {
        // Elsewhere the platform knows its own frame, if it draws one, once the window exists.
        const QWindow* handle = window->windowHandle();
        return handle ? std::optional<QMargins>(handle->frameMargins()) : std::nullopt;
    }
    const xcb_window_t root = RootOf(c, id);
    if (root == XCB_NONE) return std::nullopt;
    // A bare X server draws no frame. A manager that does not follow EWMH cannot be told apart
    // from none before the window is mapped; the frame is checked again once it is.
    if (!ManagerRuns(c, root)) return QMargins();
    const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    if (!ManagerSupports(c, root, request)) return std::nullopt;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    // The answer is a property on our window; Qt's event thread owns the events, so ask for the
    // property rather than wait for its notification.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (auto frame = FrameExtents(c, id, extents, window->devicePixelRatio())) return frame;
        if (clock.elapsed() >= timeoutMs || xcb_connection_has_error(c)) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::optional<QMargins> CurrentFrame(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    // Only once it is on the screen: until then a window manager may not have framed it yet.
    if (!handle || !window->isVisible() || !handle->isExposed()) return std::nullopt;
    if (xcb_connection_t* c = X11Connection()) {
        const xcb_window_t id = static_cast<xcb_window_t>(window->winId());
        if (auto frame = FrameExtents(c, id, Atom(c, "_NET_FRAME_EXTENTS"), window->devicePixelRatio())) return frame;
        xcb_window_t parent = XCB_NONE;
        const xcb_window_t root = RootOf(c, id, &parent);
        // Not reparented: no frame, or none that we could measure.
        if (root == XCB_NONE || parent == root) return QMargins();
    }
    return handle->frameMargins();
}

bool ClientPlacesWindows() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

bool ClipboardNeedsFocus() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace Platform
