// Twips (1/1440 inch), the unit of every position and size of the windows:
// 15 twips make one logical pixel. This is the only place that converts them.
#pragma once

#include <QRect>

namespace krv {

inline constexpr float twips_per_pixel = 15.0f;

/// Twips to whole pixels, rounded to nearest (a half pixel rounds away from zero).
int to_pixels(float twips);

/// Pixels to twips.
inline float to_twips(int pixels) {
    return static_cast<float>(pixels) * twips_per_pixel;
}

/// A rectangle in twips, single precision as the windows keep it.
struct twips_rect {
    float left = 0, top = 0, width = 0, height = 0;
    QRect to_pixels() const;
    bool operator==(const twips_rect&) const = default;
};

/// Width of the primary screen in twips.
float screen_width_twips();

} // namespace krv

namespace krv {

/// A font size in points as pixels of the reference screen (20 twips per point),
/// so that text keeps its size against the twips layout whatever the screen's dpi.
inline int points_to_pixels(float points) {
    return to_pixels(points * 20.0f);
}

} // namespace krv
