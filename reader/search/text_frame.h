// Where a page's text stands on the page as shown. Qt PDF gives text boxes in
// the file's own space (x from its left, y down from the page's height), which
// is the page as shown only when the page is not turned and its crop box starts
// at the origin; and text may stand outside the page, where nobody sees it (code
// lines running past the right edge, the parts of a poster cut into pages).
#pragma once

#include "page_geometry.h"

#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace krv {

/// How a page's text boxes turn into the page as shown.
struct text_frame {
    page_geometry geometry;
    bool partly_hidden = false; ///< some of its text stands outside the page
};

/// The frame of a page's text, from its boxes as Qt PDF gives them (`boxes`) and
/// the size the page is taken to have: null when every box stands on such a page
/// as it is, else made of the page's geometry, which `geometry` reads only then
/// (null too when it cannot).
std::shared_ptr<const text_frame>
frame_of(const QList<QPolygonF>& boxes, QSizeF page_size,
         const std::function<std::optional<page_geometry>()>& geometry);

/// A box of Qt PDF's, as it stands on the page as shown.
QRectF shown_box(const text_frame& frame, const QRectF& box);

/// One rectangle per line from boxes that come in reading order.
std::vector<QRectF> line_rectangles(const QList<QPolygonF>& boxes);

/// A hit's boxes from Qt PDF on the page as shown, one rectangle per line.
std::vector<QRectF> shown_rectangles(const QList<QPolygonF>& boxes, const text_frame* frame);

/// Whether rectangles of a page as shown stand on it whole: a word cut by the
/// page's edge is not one a reader sees (nor does pdftotext).
bool on_page(const std::vector<QRectF>& rects, const text_frame& frame);

} // namespace krv
