// Where the windows stand on the screen. On screens of the design's 1024 x 738
// pixels and more, exactly the design's places; on smaller screens the pair of
// windows starts at the screen's left edge and is narrowed and lowered to fit,
// and the list keeps inside the screen, so that every control stays reachable.
#pragma once

#include "twips.h"

namespace krv {

/// Combined width of the menu and viewer windows, in twips.
inline constexpr float reference_width = 15360.0f;

/// Height of both windows in the design, in twips.
inline constexpr float design_height = 11070.0f;

/// Left edge of the menu window: the pair centred on the screen, or at the left
/// edge of a screen narrower than the pair.
float pair_left(float screen_width);

/// Width of the viewer: the rest of the pair's width, or of a narrower screen.
float viewer_width(float menu_width, float screen_width);

/// Height of both windows: the design's, or that of a lower screen.
float pair_height(float screen_height);

/// One edge of a window of `size` moved, if need be, so that the window lies
/// inside a screen of `screen_size` (at 0 when it is larger than the screen).
float keep_on_screen(float edge, float size, float screen_size);

} // namespace krv
