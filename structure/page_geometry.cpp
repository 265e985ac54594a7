#include "page_geometry.h"

#include <algorithm>
#include <cmath>

namespace krv {

pdf_rect normalised_rect(double x1, double y1, double x2, double y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

view_point to_view(const page_geometry& page, double x, double y) {
    const pdf_rect& box = page.crop_box;
    switch (page.rotation) {
    case 90: // left edge of the page comes to the top
        return {y - box.bottom, x - box.left};
    case 180:
        return {box.right - x, y - box.bottom};
    case 270: // right edge comes to the top
        return {box.top - y, box.right - x};
    default:
        return {x - box.left, box.top - y};
    }
}

view_rect to_view(const page_geometry& page, const pdf_rect& rect) {
    const view_point a = to_view(page, rect.left, rect.bottom);
    const view_point b = to_view(page, rect.right, rect.top);
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x), std::abs(a.y - b.y)};
}

jump_target jump_target_of(const page_geometry& page, const destination& target) {
    jump_target jump;
    jump.page_index = target.page_index;
    std::optional<double> x = target.left;
    std::optional<double> y = target.top;
    switch (target.kind) {
    case destination_kind::xyz:
    case destination_kind::fit_h:
    case destination_kind::fit_bh:
    case destination_kind::fit_r:
        break;
    case destination_kind::fit_v:
    case destination_kind::fit_bv:
        y.reset();
        break;
    case destination_kind::fit:
    case destination_kind::fit_b:
        x.reset();
        y.reset();
        break;
    }
    // A missing coordinate stands for the page's edge; the page's turn decides
    // which of the view's x and y a given one lands in.
    const view_point at =
        to_view(page, x.value_or(page.crop_box.left), y.value_or(page.crop_box.top));
    const bool turned = page.rotation == 90 || page.rotation == 270;
    if (turned ? y.has_value() : x.has_value())
        jump.x = std::clamp(at.x, 0.0, page.view_width);
    if (turned ? x.has_value() : y.has_value())
        jump.y = std::clamp(at.y, 0.0, page.view_height);
    return jump;
}

} // namespace krv
