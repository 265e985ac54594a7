// What the window manager draws round a titled window: the program's windows have
// a title bar and a border, and no buttons.
#pragma once

class QWidget;

namespace krv {

/// Asks the window manager for a title bar and a thin border only: no menu,
/// minimise, maximise or close button, and no resizing. Call it once the native
/// window exists and before it is mapped; elsewhere than on X11 it does nothing.
void ask_title_and_border_only(QWidget& window);

} // namespace krv
