// F11: one window of the program alone, filling the screen, its content filling
// it; F11 again puts every window back as it stood, places and sizes. Keys
// other than F11 keep their meaning (Esc ends the help in full screen too).
#pragma once

#include <QWidget>

#include <vector>

namespace krv {

class form;

/// F11 typed in `window` or in one of `others` toggles `window` full screen,
/// with `content` (a child of it) filling it and `others` hidden meanwhile.
/// Lives as long as `window`.
void allow_full_screen(form& window, QWidget& content, const std::vector<QWidget*>& others);

/// Whether `window` is shown full screen by F11.
bool shown_full_screen(const form& window);

} // namespace krv
