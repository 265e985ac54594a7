#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace krv {

int to_pixels(float twips) {
    return static_cast<int>(std::lround(twips / twips_per_pixel));
}

QRect twips_rect::to_pixels() const {
    const int x = krv::to_pixels(left);
    const int y = krv::to_pixels(top);
    // Both edges are rounded, so that rectangles that abut in twips abut in pixels.
    return QRect(x, y, krv::to_pixels(left + width) - x, krv::to_pixels(top + height) - y);
}

float screen_width_twips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? to_twips(screen->geometry().width()) : 0.0f;
}

} // namespace krv
