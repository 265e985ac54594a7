// Where the windows stand on the screen: the design's formulas, on every screen.
// The pair of windows, 15360 twips wide, is centred from the top of the screen (a
// screen narrower than 1024 pixels leaves it overhanging both sides equally), and
// the list is centred over the viewer and on the reference height.
#pragma once

namespace krv {

/// Combined width of the menu and viewer windows, in twips.
inline constexpr float reference_width = 15360.0f;

/// Height of both windows, in twips.
inline constexpr float design_height = 11070.0f;

/// Height of the reference screen on which the list is centred, in twips.
inline constexpr float reference_height = 11520.0f;

/// Left edge of the menu window: the pair centred on a screen that wide.
float pair_left(float screen_width);

/// Width of the viewer: the rest of the pair's width.
float viewer_width(float menu_width);

/// Left edge of the list: centred over the viewer, to the half twip.
float list_left(float viewer_left, float viewer_width, float list_width);

/// Top edge of the list: centred on the reference height, whatever the screen's.
float list_top(float list_height);

} // namespace krv
