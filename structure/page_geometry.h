// From PDF user space to the page as Qt PDF shows it. Qt PDF sizes a page by its
// crop box (clipped to the media box) and applies the page's /Rotate, so a
// rectangle from the file is taken relative to the crop box's corner and turned
// by /Rotate before it lines up with a rendered page.
#pragma once

#include "structure_types.h"

namespace krv {

struct page_geometry {
    pdf_rect crop_box;      ///< effective crop box (within the media box), user space
    int rotation = 0;       ///< 0, 90, 180 or 270, clockwise as /Rotate
    double view_width = 0;  ///< after rotation: QPdfDocument::pagePointSize().width()
    double view_height = 0; ///< after rotation
};

pdf_rect normalised_rect(double x1, double y1, double x2, double y2);

view_point to_view(const page_geometry& page, double x, double y);
view_rect to_view(const page_geometry& page, const pdf_rect& rect);

/// The point a destination puts at the top-left of the view: /XYZ left top,
/// /FitH top, /FitR's top-left corner, /Fit the page's top. Links and the
/// outline share this rule.
jump_target jump_target_of(const page_geometry& page, const destination& target);

} // namespace krv
