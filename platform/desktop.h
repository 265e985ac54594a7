// Services of the desktop: the mouse pointer of the whole application and the
// default web browser.
#pragma once

#include <QString>

namespace krv {

enum class mouse_pointer { arrow, busy };

/// Sets the pointer of the whole application; the arrow lets each control show its own.
void set_mouse_pointer(mouse_pointer pointer);
mouse_pointer current_mouse_pointer();

/// Opens the address in the desktop's default browser without waiting; false when none starts.
bool open_in_browser(const QString& address);

} // namespace krv
