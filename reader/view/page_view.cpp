#include "page_view.h"

#include "page_sizes.h"

#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace krv {

page_view::page_view(QWidget* parent)
    : QAbstractScrollArea(parent), pictures_(new page_pictures(min_cache_pixels, this)),
      selection_(new text_selection(this)) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(false);
    // Always there, so that the width a page is fitted to never changes under it.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
    auto repaint = [this] { viewport()->update(); };
    connect(pictures_, &page_pictures::arrived, this, repaint);
    connect(pictures_, &page_pictures::page_size_found, this, &page_view::take_page_size);
    connect(selection_, &text_selection::changed, this, repaint);
}

page_view::~page_view() = default;

void page_view::set_document(shared_document document, bool keep_place) {
    const page_place kept = place_at(QPoint(0, 0));
    painted_ = false;
    complete_ = false;
    sizes_asked_ = false;
    // Pictures made ready for this document stay; all others go.
    pictures_->show_document(document ? document->id() : 0);
    pinned_ = {};
    focus_link(-1);
    document_ = std::move(document);
    selection_->set_document(document_);
    layout_.points.clear();
    if (document_) {
        layout_.points.assign(static_cast<std::size_t>(document_->page_count()),
                              document_->first_page_size());
        if (document_->page_sizes().size() == layout_.points.size())
            layout_.points = document_->page_sizes();
    }
    // A document shown again (a changed file, its form fields drawn in) keeps
    // the scale it was read at; a new one is fitted to the width of its first page.
    if (!keep_place) {
        mode_ = zoom_mode::fit_width;
        refit(0);
    }
    last_current_ = -1;
    relayout();
    if (keep_place && kept.page < page_count())
        show_place(kept, QPoint(0, 0));
    else
        go_to_page(0);
    viewport()->update();
    emit zoom_changed();
    check_current_page();
    emit document_set();
}

void page_view::prepare_first_screen(const shared_document& document) {
    if (!document)
        return;
    // The new document as set_document will lay it out: from its first page,
    // fitted to the width of the view as it stands.
    page_layout ahead;
    ahead.points.assign(static_cast<std::size_t>(document->page_count()),
                        document->first_page_size());
    ahead.lay_out(ahead.fitting_scale(0, viewport()->size(), false));
    pictures_->prepare(document, ahead, viewport()->size(), devicePixelRatioF(), inverted_);
}

void page_view::refit(int page) {
    if (mode_ == zoom_mode::factor)
        return;
    fitted_page_ = std::clamp(page, 0, std::max(0, page_count() - 1));
    const double scale =
        layout_.fitting_scale(fitted_page_, viewport()->size(), mode_ == zoom_mode::fit_page);
    if (scale != layout_.scale)
        pictures_->move_on();
    layout_.scale = scale;
}

void page_view::relayout() {
    layout_.lay_out(layout_.scale);
    const QSize room = viewport()->size();
    verticalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(layout_.content_height)) - room.height()));
    // A whole page fitted: Page Down goes on by one page exactly.
    verticalScrollBar()->setPageStep(mode_ == zoom_mode::fit_page && fitted_page_ < page_count()
                                         ? layout_.page_pixels(fitted_page_).height() +
                                               static_cast<int>(page_spacing)
                                         : room.height());
    horizontalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(layout_.content_width)) - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
}

void page_view::relayout_in_place(std::optional<int> refit_page) {
    const page_place kept = place_at(QPoint(0, 0));
    placing_ = true;
    if (refit_page)
        refit(*refit_page);
    relayout();
    show_place(kept, QPoint(0, 0));
    placing_ = false;
    viewport()->update();
}

QPoint page_view::scrolled() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QPointF page_view::to_viewport(int page, QPointF point) const {
    return QPointF(layout_.origin(page, viewport()->width()) - scrolled()) + point * layout_.scale;
}

std::pair<int, QPointF> page_view::from_viewport(QPoint position) const {
    const auto [first, last] = visible_pages();
    for (int i = std::max(first, 0); i <= last; ++i) {
        const QPointF origin = to_viewport(i, {0, 0});
        if (QRectF(origin, layout_.page_pixels(i)).contains(position))
            return {i, (QPointF(position) - origin) / layout_.scale};
    }
    return {-1, {}};
}

std::pair<int, int> page_view::visible_pages() const {
    return layout_.pages_in(verticalScrollBar()->value(), viewport()->height());
}

page_place page_view::place_at(QPoint viewport_position) const {
    if (page_count() == 0)
        return {};
    const int page = layout_.page_above(verticalScrollBar()->value() + viewport_position.y());
    return {page, (QPointF(viewport_position) - to_viewport(page, {0, 0})) / layout_.scale};
}

std::pair<int, QPointF> page_view::selection_point(QPointF position, int page) const {
    // The page whose band (with half the gap on each side) holds the position.
    if (page < 0)
        page = layout_.page_above(verticalScrollBar()->value() + position.y() + page_spacing / 2);
    const QSizeF points = layout_.points[static_cast<std::size_t>(page)];
    const QPointF at = (position - to_viewport(page, {0, 0})) / layout_.scale;
    return {page, QPointF(std::clamp(at.x(), 0.0, points.width()),
                          std::clamp(at.y(), 0.0, points.height()))};
}

void page_view::show_place(const page_place& p, QPoint viewport_position) {
    if (p.page < 0 || p.page >= page_count())
        return;
    const QPointF now = to_viewport(p.page, p.point);
    verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                  static_cast<int>(std::lround(now.y() - viewport_position.y())));
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                    static_cast<int>(std::lround(now.x() - viewport_position.x())));
}

int page_view::current_page() const {
    if (page_count() == 0)
        return -1;
    const QScrollBar* bar = verticalScrollBar();
    if (pinned_.page >= 0 && pinned_.page < page_count() && pinned_.scrolled_to == bar->value())
        return pinned_.page;
    if (bar->value() >= bar->maximum() && bar->maximum() > 0)
        return page_count() - 1; // at the end: the last page, however short
    return layout_.most_shown(bar->value(), viewport()->height());
}

std::pair<int, QPointF> page_view::top_place() const {
    const page_place p = place_at(QPoint(0, 0));
    return {p.page, p.point};
}

void page_view::go_to_page(int page) {
    if (page_count() == 0)
        return;
    page = std::clamp(page, 0, page_count() - 1);
    verticalScrollBar()->setValue(
        static_cast<int>(std::lround(layout_.tops[static_cast<std::size_t>(page)] - page_margin)));
    pinned_ = {page, verticalScrollBar()->value()};
    check_current_page();
}

void page_view::go_to_end() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    pinned_ = {page_count() - 1, verticalScrollBar()->value()};
    check_current_page();
}

void page_view::go_to_point(int page, QPointF point) {
    if (page < 0 || page >= page_count())
        return;
    // Pages above whose size is not known yet move it later; the place read stays.
    const QPointF now = to_viewport(page, point);
    verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                  static_cast<int>(std::lround(now.y())));
    if (point.x() > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                        static_cast<int>(std::lround(now.x())));
    check_current_page();
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

void page_view::rezoom(QPoint anchor, zoom_mode mode, double factor) {
    const page_place kept = place_at(anchor);
    const int reading = current_page();
    mode_ = mode;
    if (mode == zoom_mode::factor) {
        layout_.scale = scale_of_zoom(factor);
        pictures_->move_on();
    } else {
        refit(reading); // the page being read fills the view's width, or shows whole
    }
    // Placed whole before anything is asked for: a request made between the
    // vertical and the horizontal move would render a part that never shows.
    placing_ = true;
    relayout();
    show_place(kept, anchor);
    placing_ = false;
    request_visible(); // at once: the pdf thread renders while the stand-ins paint
    viewport()->update();
    emit zoom_changed();
}

QPoint page_view::middle() const {
    return {viewport()->width() / 2, viewport()->height() / 2};
}

void page_view::set_zoom_mode(zoom_mode mode) {
    // The whole page is the page being read, from its top, not parts of two.
    const int page = current_page();
    rezoom(middle(), mode, zoom());
    if (mode == zoom_mode::fit_page)
        go_to_page(page);
}

void page_view::set_zoom(double factor) {
    rezoom(middle(), zoom_mode::factor, factor);
}

void page_view::zoom_in() {
    set_zoom(zoom() * zoom_step);
}
void page_view::zoom_out() {
    set_zoom(zoom() / zoom_step);
}

void page_view::set_inverted(bool inverted) {
    if (inverted == inverted_)
        return;
    inverted_ = inverted;
    pictures_->move_on(); // what was asked in the other colours is not awaited
    viewport()->update();
}

void page_view::set_highlight_source(std::function<std::vector<page_highlight>(int)> source) {
    highlights_ = std::move(source);
    viewport()->update();
}

void page_view::set_page_painter(page_painter painter) {
    page_painter_ = std::move(painter);
    viewport()->update();
}

void page_view::set_spot_source(std::function<page_spot(int, QPointF)> source) {
    spots_ = std::move(source);
    viewport()->setMouseTracking(static_cast<bool>(spots_));
}

void page_view::read_page_sizes() {
    if (!document_ || sizes_asked_ || page_count() < 2 ||
        document_->page_sizes().size() == layout_.points.size())
        return;
    sizes_asked_ = true;
    QPointer<page_view> self(this);
    krv::read_page_sizes(*document_, [self, id = document_->id()](std::vector<QSizeF> sizes) {
        if (self)
            self->take_page_sizes(id, std::move(sizes));
    });
}

void page_view::take_page_sizes(quint64 document, std::vector<QSizeF> sizes) {
    if (!document_ || document_->id() != document || sizes.size() != layout_.points.size())
        return;
    document_->remember_page_sizes(sizes);
    emit page_sizes_read();
    if (sizes == layout_.points)
        return;
    layout_.points = std::move(sizes);
    relayout_in_place();
}

void page_view::take_page_size(quint64 document, int page, QSizeF size) {
    if (!document_ || document_->id() != document || page >= page_count())
        return;
    layout_.points[static_cast<std::size_t>(page)] = size;
    relayout_in_place();
}

void page_view::update_cache_budget() {
    // Twice what a screen of tiles can cover, so that the tiles in view never push
    // each other out, and a little to scroll back into.
    const QSize device = viewport()->size() * devicePixelRatioF();
    const qint64 screen =
        static_cast<qint64>(device.width() + 2 * tile_side) * (device.height() + 2 * tile_side);
    pictures_->cache().set_budget(std::max(min_cache_pixels, 2 * screen));
}

void page_view::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    update_cache_budget();
    const double before = layout_.scale;
    // A fitted zoom follows the view's size, still fitted to the page it was
    // fitted to: a scroll bar that comes and goes changes nothing else.
    relayout_in_place(fitted_page_);
    if (layout_.scale != before)
        emit zoom_changed();
}

void page_view::scrollContentsBy(int, int) {
    if (!placing_)
        request_visible();
    viewport()->update();
    check_current_page();
}

void page_view::check_current_page() {
    const int now = current_page();
    if (now != last_current_) {
        last_current_ = now;
        focus_link(-1); // the links reached by Tab are the page's being read
        emit current_page_changed(now);
    }
}

} // namespace krv
