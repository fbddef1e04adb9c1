#include "desktop/WindowDecorations.h"

#include <QWidget>

#ifdef PONTRA_HAVE_XCB
#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The Motif window manager hints, which X window managers read for a
// window's buttons and functions.
constexpr std::uint32_t kHintsFunctions = 1u << 0;
constexpr std::uint32_t kHintsDecorations = 1u << 1;
constexpr std::uint32_t kFunctionMove = 1u << 2;
constexpr std::uint32_t kFunctionClose = 1u << 5;
constexpr std::uint32_t kDecorBorder = 1u << 1;
constexpr std::uint32_t kDecorTitle = 1u << 3;

// The X connection for a window that has its native window, or none. Only on
// an X display: other platforms (offscreen too) may answer for X11 without a
// connection of their own.
xcb_connection_t *connectionFor(const QWidget *window)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window->windowHandle())
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

void RequestDialogDecorations(QWidget *window, bool closeButton)
{
    xcb_connection_t *connection = connectionFor(window);
    if (!connection)
        return;
    const xcb_atom_t hintsAtom = atomNamed(connection, "_MOTIF_WM_HINTS");
    if (hintsAtom == XCB_ATOM_NONE)
        return;
    const std::uint32_t hints[5] = {kHintsFunctions | kHintsDecorations,
                                    kFunctionMove | (closeButton ? kFunctionClose : 0), kDecorBorder | kDecorTitle,
                                    0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()), hintsAtom,
                        hintsAtom, 32, 5, hints);
    xcb_flush(connection);
}

namespace {

class StaysOnTopKeeper final : public QObject, public QAbstractNativeEventFilter {
public:
    explicit StaysOnTopKeeper(QWidget *window) : QObject(window), window_(window)
    {
        qApp->installNativeEventFilter(this);
    }
    ~StaysOnTopKeeper() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto *change = static_cast<const xcb_property_notify_event_t *>(message);
            if (change->window == Window() && Atoms() && change->atom == state_)
                Check();
        } else if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            // Mapped anew: ask at once, before any state is seen.
            if (reinterpret_cast<const xcb_map_notify_event_t *>(event)->window == Window() && Atoms())
                Request();
        }
        return false;
    }

private:
    xcb_window_t Window() const
    {
        return window_->windowHandle() ? static_cast<xcb_window_t>(window_->windowHandle()->winId()) : 0;
    }

    bool Atoms()
    {
        connection_ = connectionFor(window_);
        if (connection_ && state_ == XCB_ATOM_NONE) {
            state_ = atomNamed(connection_, "_NET_WM_STATE");
            above_ = atomNamed(connection_, "_NET_WM_STATE_ABOVE");
        }
        return connection_ && state_ != XCB_ATOM_NONE && above_ != XCB_ATOM_NONE;
    }

    void Check()
    {
        // Hidden or minimised, the window manager owns the state.
        if (!window_->isVisible() || window_->isMinimized())
            return;
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, Window(), state_, XCB_ATOM_ATOM, 0, 32), nullptr);
        bool above = false;
        if (reply) {
            const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
            const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
            for (int i = 0; i < count; ++i)
                above = above || atoms[i] == above_;
            std::free(reply);
        }
        if (!above)
            Request();
    }

    // The EWMH request to add a state, sent to the root window, which the
    // window manager watches.
    void Request()
    {
        constexpr std::uint32_t kAdd = 1;
        constexpr std::uint32_t kFromApplication = 1;
        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = Window();
        request.type = state_;
        request.data.data32[0] = kAdd;
        request.data.data32[1] = above_;
        request.data.data32[2] = XCB_ATOM_NONE;
        request.data.data32[3] = kFromApplication;
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        xcb_send_event(connection_, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&request));
        xcb_flush(connection_);
    }

    QWidget *window_;
    xcb_connection_t *connection_ = nullptr;
    xcb_atom_t state_ = XCB_ATOM_NONE;
    xcb_atom_t above_ = XCB_ATOM_NONE;
};

} // namespace

void KeepStaysOnTop(QWidget *window)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        new StaysOnTopKeeper(window);
}
#else
void RequestDialogDecorations(QWidget *, bool) {}
void KeepStaysOnTop(QWidget *) {}
#endif
