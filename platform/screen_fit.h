// Windows that open fit the screen they open on: on a short screen (800 x 600,
// or 1080 pixels at scale 2, 540 logical pixels) a dialog taller than the
// screen would hide its buttons below its edge. The menu and viewer windows are
// left alone: on a narrow screen they overhang it as designed.
#pragma once

#include <QMargins>
#include <QRect>

class QApplication;
class QWidget;

namespace krv {

/// A window's outer rectangle moved, then shrunk where moving is not enough, to
/// lie within `available`; unchanged when it fits.
QRect fitted_frame(const QRect& frame, const QRect& available);

/// The available geometry of the screen a rectangle mostly stands on (the
/// primary screen's when it stands on none).
QRect available_geometry_at(const QRect& frame);

/// Fits a top-level window to its screen: moved, and shrunk as far as its
/// minimum size lets it. `frame` is its frame's margins, or their allowance
/// before the window manager has told them.
void fit_to_screen(QWidget& window, const QMargins& frame);

/// Fits every dialog that is not one of the program's windows as it shows and
/// as it grows (the print dialog's options unfold downwards).
void keep_dialogs_on_screen(QApplication& app);

} // namespace krv
