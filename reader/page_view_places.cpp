// Where the reader is in the pages, and going to a place: a page's top, a point
// of a page at the top-left of the view (a destination), a rectangle brought into
// view (a search hit).
#include "page_view.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

constexpr double margin = page_view::page_margin;

} // namespace

std::pair<int, QPointF> page_view::top_place() const {
    const place p = place_at(QPoint(0, 0));
    return {p.page, p.point};
}

void page_view::go_to_page(int page) {
    if (page_count() == 0)
        return;
    page = std::clamp(page, 0, page_count() - 1);
    measure_pages_up_to(page);
    verticalScrollBar()->setValue(static_cast<int>(std::lround(tops_[page] - margin)));
    check_current_page();
}

void page_view::go_to_point(int page, QPointF point) {
    if (page < 0 || page >= page_count())
        return;
    // The page's place depends on the sizes of the pages above it: known first.
    measure_pages_up_to(page);
    const QPointF now = to_viewport(page, point);
    verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                  static_cast<int>(std::lround(now.y())));
    if (point.x() > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                        static_cast<int>(std::lround(now.x())));
    check_current_page();
}

void page_view::measure_pages_up_to(int page) {
    if (!document_ || sizes_known_ > page)
        return;
    bool changed = false;
    for (; sizes_known_ <= page && sizes_known_ < page_count(); ++sizes_known_) {
        const QSizeF real = document_->pagePointSize(sizes_known_);
        if (real != points_[static_cast<std::size_t>(sizes_known_)]) {
            points_[static_cast<std::size_t>(sizes_known_)] = real;
            sizes_differ_ = changed = true;
        }
    }
    if (changed) {
        const place kept = place_at(QPoint(0, 0));
        relayout();
        show_place(kept, QPoint(0, 0));
        viewport()->update();
    }
}

void page_view::ensure_visible(int page, const QRectF& rect) {
    if (page < 0 || page >= page_count())
        return;
    const QPointF top_left = to_viewport(page, rect.topLeft());
    const QPointF bottom_right = to_viewport(page, rect.bottomRight());
    const int h = viewport()->height();
    const int w = viewport()->width();
    if (top_left.y() < 0 || bottom_right.y() > h)
        verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                      static_cast<int>(top_left.y() - h / 3.0));
    if (top_left.x() < 0 || bottom_right.x() > w)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                        static_cast<int>(top_left.x() - w / 3.0));
    check_current_page();
}

} // namespace krv
