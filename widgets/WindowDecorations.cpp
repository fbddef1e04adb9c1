#include "widgets/WindowDecorations.h"

#include <QWidget>

#ifdef PONTRA_HAVE_XCB
#include <QGuiApplication>

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

} // namespace

void RequestDialogDecorations(QWidget *window, bool closeButton)
{
    // Only on an X display: other platforms (offscreen too) may answer for
    // X11 without a connection of their own.
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window->windowHandle())
        return;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const char *name = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (!atom)
        return;
    const std::uint32_t hints[5] = {kHintsFunctions | kHintsDecorations,
                                    kFunctionMove | (closeButton ? kFunctionClose : 0), kDecorBorder | kDecorTitle,
                                    0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()), atom->atom,
                        atom->atom, 32, 5, hints);
    xcb_flush(connection);
    std::free(atom);
}
#else
void RequestDialogDecorations(QWidget *, bool) {}
#endif
