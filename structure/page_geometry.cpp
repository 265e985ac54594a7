#include "page_geometry.h"

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

// US Letter is what readers assume when a page has no usable media box.
constexpr pdf_rect fallback_media_box{0, 0, 612, 792};

std::optional<pdf_rect> rect_from(QPDFObjectHandle array) {
    if (!array.isRectangle()) { // array of 4 numbers
        return std::nullopt;
    }
    const auto r = array.getArrayAsRectangle();
    const auto rect = normalised_rect(r.llx, r.lly, r.urx, r.ury);
    if (!(rect.right - rect.left > 0) || !(rect.top - rect.bottom > 0)) {
        return std::nullopt;
    }
    return rect;
}

pdf_rect intersection(const pdf_rect& a, const pdf_rect& b) {
    const pdf_rect cut{std::max(a.left, b.left), std::max(a.bottom, b.bottom),
                       std::min(a.right, b.right), std::min(a.top, b.top)};
    // A CropBox entirely outside the MediaBox: behave as if there were none.
    if (cut.right <= cut.left || cut.top <= cut.bottom) {
        return b;
    }
    return cut;
}

int normalised_rotation(QPDFObjectHandle value) {
    if (!value.isNumber()) {
        return 0;
    }
    // A multiple of 90 by the format's rules; anything else goes to the nearest quarter turn.
    const long quarter_turns = std::lround(value.getNumericValue() / 90.0);
    return static_cast<int>(((quarter_turns % 4) + 4) % 4) * 90;
}

} // namespace

pdf_rect normalised_rect(double x1, double y1, double x2, double y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

page_geometry read_page_geometry(QPDFObjectHandle page) {
    QPDFPageObjectHelper helper(page);
    // getAttribute() follows /Parent for the inheritable keys.
    const pdf_rect media =
        rect_from(helper.getAttribute("/MediaBox", false)).value_or(fallback_media_box);
    const auto crop = rect_from(helper.getAttribute("/CropBox", false));

    page_geometry geometry;
    geometry.crop_box = crop ? intersection(*crop, media) : media;
    geometry.rotation = normalised_rotation(helper.getAttribute("/Rotate", false));
    const double width = geometry.crop_box.right - geometry.crop_box.left;
    const double height = geometry.crop_box.top - geometry.crop_box.bottom;
    const bool quarter = geometry.rotation == 90 || geometry.rotation == 270;
    geometry.view_width = quarter ? height : width;
    geometry.view_height = quarter ? width : height;
    return geometry;
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
