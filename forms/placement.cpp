#include "placement.h"

namespace krv {

float pair_left(float screen_width) {
    return (screen_width - reference_width) / 2.0f;
}

float viewer_width(float menu_width) {
    return reference_width - menu_width;
}

float list_left(float viewer_left, float viewer_width, float list_width) {
    return (viewer_width - list_width) / 2.0f + viewer_left;
}

float list_top(float list_height) {
    return (reference_height - list_height) / 2.0f;
}

} // namespace krv
