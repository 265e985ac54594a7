#include "placement.h"

#include <algorithm>

namespace krv {

float pair_left(float screen_width) {
    return screen_width >= reference_width ? (screen_width - reference_width) / 2.0f : 0.0f;
}

// A screen of no known size (none at all) leaves the design's sizes as they are.
float viewer_width(float menu_width, float screen_width) {
    return (screen_width > 0 ? std::min(reference_width, screen_width) : reference_width) -
           menu_width;
}

float pair_height(float screen_height) {
    return screen_height > 0 ? std::min(design_height, screen_height) : design_height;
}

float keep_on_screen(float edge, float size, float screen_size) {
    return std::max(0.0f, std::min(edge, screen_size - size));
}

} // namespace krv
