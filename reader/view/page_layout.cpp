#include "page_layout.h"

#include <algorithm>
#include <cmath>

namespace krv {

void page_layout::lay_out(double pixels_per_point) {
    scale = pixels_per_point;
    tops.resize(points.size());
    double y = page_margin;
    double widest = 0;
    for (int i = 0; i < page_count(); ++i) {
        tops[static_cast<std::size_t>(i)] = y;
        const QSize s = page_pixels(i);
        y += s.height() + page_spacing;
        widest = std::max(widest, static_cast<double>(s.width()));
    }
    content_height = page_count() ? y - page_spacing + page_margin : 0;
    content_width = widest + 2 * page_margin;
}

QSize page_layout::page_pixels(int page) const {
    const QSizeF s = points[static_cast<std::size_t>(page)] * scale;
    return QSize(std::max(1, static_cast<int>(std::lround(s.width()))),
                 std::max(1, static_cast<int>(std::lround(s.height()))));
}

double page_layout::fitting_scale(int page, QSize room, bool whole_page) const {
    if (page < 0 || page >= page_count())
        return pixels_per_point_at_100;
    const QSizeF size = points[static_cast<std::size_t>(page)];
    if (size.width() <= 0 || size.height() <= 0)
        return pixels_per_point_at_100;
    const double smallest = smallest_zoom * pixels_per_point_at_100;
    const double by_width = (room.width() - 2 * page_margin) / size.width();
    if (!whole_page)
        return std::max(by_width, smallest);
    const double by_height = (room.height() - 2 * page_margin) / size.height();
    return std::max(std::min(by_width, by_height), smallest);
}

QPoint page_layout::origin(int page, int view_width) const {
    const double left =
        std::max(page_margin,
                 (std::max<double>(view_width, content_width) - page_pixels(page).width()) / 2.0);
    return QPoint(static_cast<int>(std::lround(left)),
                  static_cast<int>(std::lround(tops[static_cast<std::size_t>(page)])));
}

int page_layout::page_above(double y) const {
    const auto it = std::upper_bound(tops.begin(), tops.end(), y);
    return std::max(0, static_cast<int>(it - tops.begin()) - 1);
}

std::pair<int, int> page_layout::pages_in(double top, double height) const {
    if (page_count() == 0)
        return {-1, -1};
    int first = page_above(top);
    // The page above may end in the gap: the first page is the one reaching into the view.
    if (tops[static_cast<std::size_t>(first)] + page_pixels(first).height() < top &&
        first + 1 < page_count())
        ++first;
    const auto to = std::lower_bound(tops.begin(), tops.end(), top + height);
    const int last = std::max(first, static_cast<int>(to - tops.begin()) - 1);
    return {first, last};
}

int page_layout::most_shown(double top, double height) const {
    const auto [first, last] = pages_in(top, height);
    const double bottom = top + height;
    int most_shown = first;
    double most = -1;
    for (int page = first; page <= last; ++page) {
        const double page_top = tops[static_cast<std::size_t>(page)];
        const double shown =
            std::min(bottom, page_top + page_pixels(page).height()) - std::max(top, page_top);
        if (shown > most + 0.5) {
            most = shown;
            most_shown = page;
        }
    }
    return most_shown;
}

double zoom_of_scale(double scale) {
    return scale * 72.0 / 96.0;
}

double scale_of_zoom(double zoom) {
    return std::clamp(zoom, smallest_zoom, largest_zoom) * pixels_per_point_at_100;
}

} // namespace krv
