#include "pixels.h"

#include <QHash>

namespace krv::pixels {

QColor dominant_colour(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    QHash<QRgb, int> counts;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; y += 3)
        for (int x = image.width() / 4; x < image.width() * 3 / 4; x += 3)
            ++counts[image.pixel(x, y) & 0xFFFFFF];
    QRgb best = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    return QColor::fromRgb(best);
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace krv::pixels
