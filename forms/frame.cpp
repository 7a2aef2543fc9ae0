#include "forms/frame.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#if defined(RUNAMIKA_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#endif

namespace {

// How long a window waits for the manager's answer before it is shown all the same. Managers
// answer within milliseconds; the frame is then learnt when the manager frames the window.
constexpr int kAnswerTimeoutMs = 250;

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QMargins NoNegativeSides(const QMargins& m) {
    return {std::max(0, m.left()), std::max(0, m.top()), std::max(0, m.right()),
            std::max(0, m.bottom())};
}

#if defined(RUNAMIKA_XCB)

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The X connection of the toolkit, the atoms this file uses (interned once, in one batch) and
// what the running window manager declares (read when first needed, and again after the
// manager changes its declaration).
struct X11 {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t supported = XCB_ATOM_NONE;
    xcb_atom_t frameExtents = XCB_ATOM_NONE;
    xcb_atom_t requestFrameExtents = XCB_ATOM_NONE;
    xcb_atom_t motifHints = XCB_ATOM_NONE;
    bool managerRead = false;
    bool declaresExtents = false;
    bool answersRequests = false;
};

X11* TheX11() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = native != nullptr ? native->connection() : nullptr;
    if (c == nullptr) return nullptr;
    static X11 x;
    if (x.c == c) return &x;
    x = X11{};
    x.c = c;
    x.root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char* names[] = {"_NET_SUPPORTED", "_NET_FRAME_EXTENTS", "_NET_REQUEST_FRAME_EXTENTS",
                           "_MOTIF_WM_HINTS"};
    xcb_atom_t* atoms[] = {&x.supported, &x.frameExtents, &x.requestFrameExtents, &x.motifHints};
    xcb_intern_atom_cookie_t cookies[4];
    for (int i = 0; i < 4; ++i) {
        cookies[i] = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
    }
    for (int i = 0; i < 4; ++i) {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
        *atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    return &x;
}

// What the manager declares in _NET_SUPPORTED: frame extents, and answers to frame requests.
void ReadManager(X11& x) {
    if (x.managerRead) return;
    x.managerRead = true;
    x.declaresExtents = x.answersRequests = false;
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        x.c, xcb_get_property(x.c, 0, x.root, x.supported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!reply || reply->format != 32) return;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == x.frameExtents) x.declaresExtents = true;
        if (atoms[i] == x.requestFrameExtents) x.answersRequests = true;
    }
}

#endif

QWindow* WindowWithNativeId(WId id) {
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle() != nullptr && window->winId() == id) return window;
    }
    return nullptr;
}

// The requests waiting for their answers, and the filter that catches the answers.
class FrameService : public FrameChangeNotifier, public QAbstractNativeEventFilter {
public:
    static FrameService& Instance() {
        // Kept until the process ends: windows may ask until the very last moment.
        static auto* service = new FrameService;
        if (service->filteredBy_ != QCoreApplication::instance()) {
            service->filteredBy_ = QCoreApplication::instance();
            QCoreApplication::instance()->installNativeEventFilter(service);
        }
        return *service;
    }

    void Request(QWidget* window, std::function<void(std::optional<QMargins>)> done) {
#if defined(RUNAMIKA_XCB)
        if (X11* x = TheX11()) {
            const auto native = static_cast<xcb_window_t>(window->winId());
            ReadManager(*x);
            if (x->answersRequests) {
                xcb_client_message_event_t request{};
                request.response_type = XCB_CLIENT_MESSAGE;
                request.format = 32;
                request.window = native;
                request.type = x->requestFrameExtents;
                xcb_send_event(x->c, 0, x->root,
                               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                               reinterpret_cast<const char*>(&request));
                xcb_flush(x->c);
                const quint64 ticket = ++lastTicket_;
                auto* timer = new QTimer(this);
                timer->setSingleShot(true);
                connect(timer, &QTimer::timeout, this, [this, ticket] { Finish(ticket, false); });
                pending_.push_back({ticket, native, window, std::move(done), timer});
                timer->start(kAnswerTimeoutMs);
                return;
            }
        }
#endif
        window->winId();
        QMetaObject::invokeMethod(
            this, [done = std::move(done)] { done(std::nullopt); }, Qt::QueuedConnection);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
#if defined(RUNAMIKA_XCB)
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
        const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
        X11* x = TheX11();
        if (x == nullptr) return false;
        if (change->window == x->root && change->atom == x->supported) {
            x->managerRead = false;
        } else if (change->atom == x->frameExtents) {
            // The toolkit takes the change in after this filter: act once it has.
            const xcb_window_t native = change->window;
            QMetaObject::invokeMethod(
                this, [this, native] { FrameExtentsChanged(native); }, Qt::QueuedConnection);
        }
#else
        (void)eventType;
        (void)message;
#endif
        return false;
    }

private:
    struct Pending {
        quint64 ticket;
        WId native;
        QPointer<QWidget> window;
        std::function<void(std::optional<QMargins>)> done;
        QTimer* timer;
    };

    void FrameExtentsChanged(WId native) {
        std::vector<quint64> answered;
        for (const Pending& p : pending_) {
            if (p.native == native) answered.push_back(p.ticket);
        }
        for (const quint64 ticket : answered) Finish(ticket, true);
        if (QWindow* window = WindowWithNativeId(native)) emit FrameChanged(window);
    }

    void Finish(quint64 ticket, bool answered) {
        const auto at = std::find_if(pending_.begin(), pending_.end(),
                                     [ticket](const Pending& p) { return p.ticket == ticket; });
        if (at == pending_.end()) return;
        Pending p = std::move(*at);
        pending_.erase(at);
        p.timer->deleteLater();
        std::optional<QMargins> frame;
        if (answered && p.window) frame = KnownFrameMargins(p.window);
        p.done(frame);
    }

    QCoreApplication* filteredBy_ = nullptr;
    quint64 lastTicket_ = 0;
    std::vector<Pending> pending_;
};

} // namespace

QMargins KnownFrameMargins(QWidget* window) {
    QWindow* handle = window->windowHandle();
    if (handle == nullptr || handle->handle() == nullptr) return {};
#if defined(RUNAMIKA_XCB)
    if (X11* x = TheX11()) {
        ReadManager(*x);
        if (!x->declaresExtents) return {};
    }
#endif
    return NoNegativeSides(handle->frameMargins());
}

void RequestFrame(QWidget* window, std::function<void(std::optional<QMargins>)> done) {
    FrameService::Instance().Request(window, std::move(done));
}

std::optional<QMargins> AwaitFrame(QWidget* window) {
    // Where nothing can be asked the answer is known now: no loop runs (it would run whatever
    // else is waiting in the queue before the caller has shown its window).
#if defined(RUNAMIKA_XCB)
    X11* x = TheX11();
    if (x != nullptr) ReadManager(*x);
    if (x == nullptr || !x->answersRequests) {
        window->winId();
        return std::nullopt;
    }
#else
    window->winId();
    return std::nullopt;
#endif
    // The answer may come after this returns (the loop can be ended from outside): it goes to
    // state that outlives the call.
    struct Wait {
        bool answered = false;
        std::optional<QMargins> frame;
        QPointer<QEventLoop> loop;
    };
    const auto wait = std::make_shared<Wait>();
    RequestFrame(window, [wait](std::optional<QMargins> got) {
        wait->frame = got;
        wait->answered = true;
        if (wait->loop) wait->loop->quit();
    });
    if (!wait->answered) {
        QEventLoop loop;
        wait->loop = &loop;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return wait->frame;
}

bool FrameCanBeAsked() {
#if defined(RUNAMIKA_XCB)
    if (X11* x = TheX11()) {
        ReadManager(*x);
        return x->answersRequests;
    }
#endif
    return false;
}

std::optional<QPoint> ClientPositionNow(QWidget* window) {
#if defined(RUNAMIKA_XCB)
    X11* x = TheX11();
    if (x == nullptr || window->windowHandle() == nullptr) return std::nullopt;
    const auto native = static_cast<xcb_window_t>(window->winId());
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        x->c, xcb_translate_coordinates(x->c, native, x->root, 0, 0), nullptr));
    if (!origin) return std::nullopt;
    const qreal ratio = window->windowHandle()->devicePixelRatio();
    return QPoint(qRound(origin->dst_x / ratio), qRound(origin->dst_y / ratio));
#else
    (void)window;
    return std::nullopt;
#endif
}

bool WindowPositionIsVisible() {
    if (OnWayland()) return false;
#if defined(RUNAMIKA_XCB)
    // An X server inside a Wayland compositor knows where a window is only when the compositor,
    // as its window manager, tells it; one that does not even declare its frames reports the
    // position the window had before the compositor placed it, or none at all.
    if (X11* x = TheX11()) {
        ReadManager(*x);
        if (!x->declaresExtents) {
            for (const QScreen* screen : QGuiApplication::screens()) {
                if (screen->name().startsWith(QLatin1String("XWAYLAND"))) return false;
            }
        }
    }
#endif
    return true;
}

FrameChangeNotifier* FrameChanges() {
    return &FrameService::Instance();
}
