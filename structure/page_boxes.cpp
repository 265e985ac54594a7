#include "page_boxes.h"

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>
#include <optional>

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

} // namespace krv
