#include "forms/frame.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cmath>
#include <thread>

#if defined(RUNAMIKA_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#endif

namespace {

#if defined(RUNAMIKA_XCB)

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name, bool onlyIfExists = false) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, onlyIfExists ? 1 : 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t RootOf(xcb_connection_t* c, xcb_window_t window) {
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    return geometry ? geometry->root : xcb_window_t{XCB_WINDOW_NONE};
}

// The ancestor of window that is a child of the root: the manager's frame, or the window itself
// when nothing has framed it.
xcb_window_t TopAncestor(xcb_connection_t* c, xcb_window_t window) {
    xcb_window_t at = window;
    for (int depth = 0; depth < 16; ++depth) {
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, at), nullptr));
        if (!tree || tree->parent == XCB_WINDOW_NONE || tree->parent == tree->root) return at;
        at = tree->parent;
    }
    return at;
}

// A rectangle in device pixels, in root coordinates, outer border included.
struct DeviceRect {
    int left = 0;
    int top = 0;
    int right = 0; // exclusive
    int bottom = 0;
};

std::optional<DeviceRect> RootRect(xcb_connection_t* c, xcb_window_t window, xcb_window_t root) {
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
    if (!geometry || !origin) return std::nullopt;
    const int border = geometry->border_width;
    return DeviceRect{origin->dst_x - border, origin->dst_y - border,
                      origin->dst_x + geometry->width + border,
                      origin->dst_y + geometry->height + border};
}

QMargins ToWindowPixels(QWidget* window, int left, int top, int right, int bottom) {
    const qreal ratio = window->windowHandle() != nullptr
                            ? window->windowHandle()->devicePixelRatio()
                            : window->devicePixelRatioF();
    const auto scaled = [ratio](int device) {
        return static_cast<int>(std::lround(static_cast<double>(device) / ratio));
    };
    return {scaled(left), scaled(top), scaled(right), scaled(bottom)};
}

xcb_window_t NativeWindow(QWidget* window) {
    return static_cast<xcb_window_t>(window->winId());
}

// _NET_FRAME_EXTENTS of the window: left, right, top, bottom in device pixels.
std::optional<QMargins> FrameExtentsProperty(xcb_connection_t* c, xcb_window_t window,
                                             xcb_atom_t extents) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16) {
        return std::nullopt;
    }
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                    static_cast<int>(v[3]));
}

// True when a window manager runs that says it answers frame-extent requests.
bool ManagerAnswersFrameRequests(xcb_connection_t* c, xcb_window_t root) {
    const xcb_atom_t supported = Atom(c, "_NET_SUPPORTED", true);
    const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS", true);
    if (supported == XCB_ATOM_NONE || request == XCB_ATOM_NONE) return false;
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == request) return true;
    }
    return false;
}

#endif

} // namespace

std::optional<QMargins> CurrentFrameMargins(QWidget* window) {
#if defined(RUNAMIKA_XCB)
    xcb_connection_t* c = Connection();
    if (c == nullptr) return std::nullopt;
    const xcb_window_t client = NativeWindow(window);
    const xcb_window_t root = RootOf(c, client);
    if (root == XCB_WINDOW_NONE) return std::nullopt;
    const xcb_window_t frame = TopAncestor(c, client);
    if (frame == client) return QMargins();
    // What the manager declares, where it does (it keeps this up to date, maximised too).
    if (const auto declared = FrameExtentsProperty(c, client, Atom(c, "_NET_FRAME_EXTENTS"))) {
        return ToWindowPixels(window, declared->left(), declared->top(), declared->right(),
                              declared->bottom());
    }
    // Else what the frame window measures; not yet while the manager is still building it
    // (the client pokes out of it).
    const auto outer = RootRect(c, frame, root);
    const auto inner = RootRect(c, client, root);
    if (!outer || !inner) return std::nullopt;
    // The client's own border (none for the toolkit's windows) is part of what it draws.
    const Reply<xcb_get_geometry_reply_t> own(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, client), nullptr));
    const int border = own ? own->border_width : 0;
    if (inner->left < outer->left || inner->top < outer->top || inner->right > outer->right ||
        inner->bottom > outer->bottom) {
        return std::nullopt;
    }
    return ToWindowPixels(window, inner->left + border - outer->left,
                          inner->top + border - outer->top, outer->right - inner->right + border,
                          outer->bottom - inner->bottom + border);
#else
    (void)window;
    return std::nullopt;
#endif
}

std::optional<QMargins> RequestFrameMargins(QWidget* window) {
#if defined(RUNAMIKA_XCB)
    xcb_connection_t* c = Connection();
    if (c == nullptr) return std::nullopt;
    const xcb_window_t client = NativeWindow(window);
    const xcb_window_t root = RootOf(c, client);
    if (root == XCB_WINDOW_NONE || !ManagerAnswersFrameRequests(c, root)) return std::nullopt;
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    if (auto known = FrameExtentsProperty(c, client, extents)) {
        return ToWindowPixels(window, known->left(), known->top(), known->right(), known->bottom());
    }
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = client;
    request.type = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(c);
    // The manager answers by setting the property; a round trip each time keeps the toolkit's
    // event queue untouched.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto answer = FrameExtentsProperty(c, client, extents)) {
            return ToWindowPixels(window, answer->left(), answer->top(), answer->right(),
                                  answer->bottom());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::nullopt;
#else
    (void)window;
    return std::nullopt;
#endif
}

bool FramedByManager(QWidget* window) {
#if defined(RUNAMIKA_XCB)
    xcb_connection_t* c = Connection();
    if (c == nullptr) return true;
    const xcb_window_t client = NativeWindow(window);
    if (TopAncestor(c, client) != client) return true;
    // Not reparented: framed never, when no manager runs.
    const xcb_window_t root = RootOf(c, client);
    const xcb_atom_t check = Atom(c, "_NET_SUPPORTING_WM_CHECK", true);
    if (root == XCB_WINDOW_NONE || check == XCB_ATOM_NONE) return true;
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
    return !reply || xcb_get_property_value_length(reply.get()) != 4;
#else
    (void)window;
    return true;
#endif
}

void OfferMoveAndCloseOnly(QWidget* dialog) {
#if defined(RUNAMIKA_XCB)
    xcb_connection_t* c = Connection();
    if (c == nullptr) return;
    // The window manager hints of the Motif toolkit, which window managers still read: flags
    // (functions and decorations given), functions, decorations, input mode, status.
    constexpr uint32_t kFunctionsGiven = 1, kDecorationsGiven = 2;
    constexpr uint32_t kMove = 4, kClose = 32;
    constexpr uint32_t kBorder = 2, kTitle = 8, kMenu = 16;
    const uint32_t hints[5] = {kFunctionsGiven | kDecorationsGiven, kMove | kClose,
                               kBorder | kTitle | kMenu, 0, 0};
    const xcb_atom_t atom = Atom(c, "_MOTIF_WM_HINTS");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, NativeWindow(dialog), atom, atom, 32, 5, hints);
    xcb_flush(c);
#else
    (void)dialog;
#endif
}
