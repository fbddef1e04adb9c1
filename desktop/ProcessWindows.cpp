#include "desktop/ProcessWindows.h"

#ifdef PONTRA_HAVE_XCB
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t *connection, const char *name)
{
    const Owned<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

Owned<xcb_get_property_reply_t> Property(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property,
                                         xcb_atom_t type, std::uint32_t length)
{
    return Owned<xcb_get_property_reply_t>(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, property, type, 0, length),
                               nullptr),
        &std::free);
}

} // namespace

bool RaiseProcessGroupWindows(pid_t group)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t clientList = Atom(connection, "_NET_CLIENT_LIST");
    const xcb_atom_t processId = Atom(connection, "_NET_WM_PID");
    const xcb_atom_t activeWindow = Atom(connection, "_NET_ACTIVE_WINDOW");
    // The windows the window manager manages; without one there is no list.
    const auto clients = Property(connection, root, clientList, XCB_ATOM_WINDOW, 4096);
    if (!clients || clients->format != 32)
        return false;
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(clients.get()));
    const int count = xcb_get_property_value_length(clients.get()) / 4;
    bool raised = false;
    for (int index = 0; index < count; ++index) {
        const auto owner = Property(connection, windows[index], processId, XCB_ATOM_CARDINAL, 1);
        if (!owner || owner->format != 32 || xcb_get_property_value_length(owner.get()) != 4)
            continue;
        const auto pid = static_cast<pid_t>(*static_cast<const std::uint32_t *>(xcb_get_property_value(owner.get())));
        if (getpgid(pid) != group)
            continue;
        // Asked as a pager would: window managers honour that, restoring a
        // minimised window.
        xcb_client_message_event_t activate {};
        activate.response_type = XCB_CLIENT_MESSAGE;
        activate.format = 32;
        activate.window = windows[index];
        activate.type = activeWindow;
        activate.data.data32[0] = 2;
        activate.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char *>(&activate));
        raised = true;
    }
    xcb_flush(connection);
    return raised;
}
#else
bool RaiseProcessGroupWindows(pid_t)
{
    return false;
}
#endif
