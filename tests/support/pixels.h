// What a widget shows, as a person would see it.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace krv::pixels {

/// The colour most common in the middle band of the widget's picture.
QColor dominant_colour(QWidget* widget);

/// Whether two colours are within `tolerance` on each channel.
bool near(const QColor& a, const QColor& b, int tolerance = 12);

} // namespace krv::pixels
