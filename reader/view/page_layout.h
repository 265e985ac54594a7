// Where the pages of a document stand, one under the other, at a scale; and the
// rules that read a place from it (which pages show, which one is being read).
// Plain geometry: no widget, no scroll bar.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QSizeF>

#include <utility>
#include <vector>

namespace krv {

inline constexpr double page_margin = 8.0;  ///< around the pages, pixels
inline constexpr double page_spacing = 8.0; ///< between two pages, pixels
/// Pixels per point at 100 %: a page at its printed size on a 96-dpi screen.
inline constexpr double pixels_per_point_at_100 = 96.0 / 72.0;
inline constexpr double smallest_zoom = 0.25; ///< 25 %
inline constexpr double largest_zoom = 4.0;   ///< 400 %

/// A point of a page, in the page's points from its top-left corner.
struct page_place {
    int page = 0;
    QPointF point;
};

/// Where the pages stand at a scale: each page's top and the content's size, in
/// pixels. Pages stand one under the other, centred, page_margin round them.
struct page_layout {
    std::vector<QSizeF> points; ///< each page's size in points
    std::vector<double> tops;   ///< each page's top in content pixels
    double scale = 1.0;         ///< pixels per point
    double content_width = 0;
    double content_height = 0;

    void lay_out(double pixels_per_point);
    int page_count() const { return static_cast<int>(points.size()); }
    /// A page's size on screen, whole pixels (what its picture is rendered at).
    QSize page_pixels(int page) const;
    /// The scale that fits a page's width to `room` (and its height, for a whole page).
    double fitting_scale(int page, QSize room, bool whole_page) const;
    /// A page's top-left corner in the content, in a view `view_width` wide.
    QPoint origin(int page, int view_width) const;
    /// The last page that starts above a height of the content (the first page
    /// above them all).
    int page_above(double y) const;
    /// The pages that reach into a band of the content's height, first and last;
    /// -1 and -1 when there is no page.
    std::pair<int, int> pages_in(double top, double height) const;
    /// Of the pages in a band, the one that takes most of it; of several that show
    /// whole (a small zoom), the first.
    int most_shown(double top, double height) const;
};

/// The zoom a scale shows (1 is 100 %), and the scale of a zoom, kept within
/// smallest_zoom and largest_zoom.
double zoom_of_scale(double scale);
double scale_of_zoom(double zoom);

} // namespace krv
