#include "window_decorations.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace krv {

namespace {

// The Motif window manager hints, which window managers still read: which fields
// count, which functions the window offers and which decorations it wants.
constexpr std::uint32_t hints_functions = 1u << 0;
constexpr std::uint32_t hints_decorations = 1u << 1;
constexpr std::uint32_t function_move = 1u << 2;
constexpr std::uint32_t decoration_border = 1u << 1;
constexpr std::uint32_t decoration_title = 1u << 3;

xcb_atom_t motif_hints_atom(xcb_connection_t* connection) {
    static constexpr char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

// Qt 6.4 gives such a window the functions hint alone (move and resize), which
// most window managers read as "every decoration": openbox then draws minimise,
// maximise and close buttons. The decorations asked for here are the title and the
// border; the one function left is moving the window by its title bar.
void ask_title_and_border_only(QWidget& window) {
    // Qt's offscreen platform answers as X11 too, without a connection.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const xcb_atom_t atom = motif_hints_atom(connection);
    if (atom == XCB_ATOM_NONE)
        return;
    const std::array<std::uint32_t, 5> hints{hints_functions | hints_decorations, function_move,
                                             decoration_border | decoration_title, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), atom, atom, 32,
                        static_cast<std::uint32_t>(hints.size()), hints.data());
    xcb_flush(connection);
}

} // namespace krv
