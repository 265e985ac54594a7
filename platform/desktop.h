// Services of the desktop: the mouse pointer of the whole application, and
// opening an address (web page, mail) with the desktop's own application.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace krv {

enum class mouse_pointer { arrow, busy };

/// Sets the pointer of the whole application; the arrow lets each control show its
/// own. While no window is on screen, it is shown from the event loop, as the last
/// one asked for.
void set_mouse_pointer(mouse_pointer pointer);
/// The pointer last asked for.
mouse_pointer current_mouse_pointer();

/// Opens the address with the desktop's opener (`xdg-open`), without waiting and
/// without ever blocking the interface. When the opener cannot be started or
/// reports a failure (no browser, no mail program), `on_failure` runs later, from
/// the event loop, with a French message saying so. An opener still running when
/// the program ends is left running (it may be the browser itself).
void open_url(const QUrl& address, std::function<void(const QString& message)> on_failure);

/// Replaces what open_url does (tests catch the addresses); an empty function
/// restores the desktop's opener.
void set_url_opener(std::function<void(const QUrl& address)> opener);

/// The French message for an address that nothing could open.
QString no_opener_message(const QUrl& address);

} // namespace krv
