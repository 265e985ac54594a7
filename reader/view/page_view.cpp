#include "page_view.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

constexpr double margin = page_view::page_margin;
constexpr double spacing = 8.0; // between pages
constexpr double points_to_pixels_at_100 = 96.0 / 72.0;

} // namespace

void page_layout::lay_out(double pixels_per_point) {
    scale = pixels_per_point;
    tops.resize(points.size());
    double y = margin;
    double widest = 0;
    for (int i = 0; i < page_count(); ++i) {
        tops[static_cast<std::size_t>(i)] = y;
        const QSize s = page_pixels(i);
        y += s.height() + spacing;
        widest = std::max(widest, static_cast<double>(s.width()));
    }
    content_height = page_count() ? y - spacing + margin : 0;
    content_width = widest + 2 * margin;
}

QSize page_layout::page_pixels(int page) const {
    const QSizeF s = points[static_cast<std::size_t>(page)] * scale;
    return QSize(std::max(1, static_cast<int>(std::lround(s.width()))),
                 std::max(1, static_cast<int>(std::lround(s.height()))));
}

double page_layout::fitting_scale(int page, QSize room, bool whole_page) const {
    if (page < 0 || page >= page_count())
        return points_to_pixels_at_100;
    const QSizeF size = points[static_cast<std::size_t>(page)];
    if (size.width() <= 0 || size.height() <= 0)
        return points_to_pixels_at_100;
    const double smallest = page_view::min_zoom * points_to_pixels_at_100;
    const double by_width = (room.width() - 2 * margin) / size.width();
    if (!whole_page)
        return std::max(by_width, smallest);
    const double by_height = (room.height() - 2 * margin) / size.height();
    return std::max(std::min(by_width, by_height), smallest);
}

QPoint page_layout::origin(int page, int view_width) const {
    const double left = std::max(
        margin, (std::max<double>(view_width, content_width) - page_pixels(page).width()) / 2.0);
    return QPoint(static_cast<int>(std::lround(left)),
                  static_cast<int>(std::lround(tops[static_cast<std::size_t>(page)])));
}

bool page_view::interest::wants(int page, quint64 asked_at) const {
    // A page just beyond the view is still worth its picture: it shows next.
    return epoch.load() == asked_at && page >= first.load() - 1 && page <= last.load() + 1;
}

page_view::page_view(QWidget* parent)
    : QAbstractScrollArea(parent), cache_(min_cache_pixels),
      interest_(std::make_shared<interest>()) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(false);
    // Always there, so that the width a page is fitted to never changes under it.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
}

page_view::~page_view() = default;

void page_view::set_document(shared_document document, bool keep_place) {
    const place kept = place_at(QPoint(0, 0));
    painted_ = false;
    complete_ = false;
    sizes_asked_ = false;
    const quint64 id = document ? document->id() : 0;
    // Pictures made ready for this document stay; all others go.
    cache_.drop_if([id](const tile_key& key) { return key.document != id; });
    in_flight_.clear();
    ++interest_->epoch;
    pinned_ = {};
    document_ = std::move(document);
    clear_selection();
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
}

void page_view::refit(int page) {
    if (mode_ == zoom_mode::factor)
        return;
    fitted_page_ = std::clamp(page, 0, std::max(0, page_count() - 1));
    const double scale =
        layout_.fitting_scale(fitted_page_, viewport()->size(), mode_ == zoom_mode::fit_page);
    if (scale != layout_.scale)
        ++interest_->epoch;
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
                                               static_cast<int>(spacing)
                                         : room.height());
    horizontalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(layout_.content_width)) - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
}

void page_view::relayout_in_place(std::optional<int> refit_page) {
    const place kept = place_at(QPoint(0, 0));
    placing_ = true;
    if (refit_page)
        refit(*refit_page);
    relayout();
    show_place(kept, QPoint(0, 0));
    placing_ = false;
    viewport()->update();
}

QPointF page_view::to_viewport(int page, QPointF point) const {
    const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
    return QPointF(layout_.origin(page, viewport()->width()) - scrolled) + point * layout_.scale;
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
    if (page_count() == 0)
        return {-1, -1};
    const double top = verticalScrollBar()->value();
    const double bottom = top + viewport()->height();
    const auto from = std::upper_bound(layout_.tops.begin(), layout_.tops.end(), top);
    int first = std::max(0, static_cast<int>(from - layout_.tops.begin()) - 1);
    // The page above may end in the gap: the first page is the one reaching into the view.
    if (layout_.tops[static_cast<std::size_t>(first)] + layout_.page_pixels(first).height() < top &&
        first + 1 < page_count())
        ++first;
    const auto to = std::lower_bound(layout_.tops.begin(), layout_.tops.end(), bottom);
    const int last = std::max(first, static_cast<int>(to - layout_.tops.begin()) - 1);
    return {first, last};
}

page_view::place page_view::place_at(QPoint viewport_position) const {
    if (page_count() == 0)
        return {};
    const double y = verticalScrollBar()->value() + viewport_position.y();
    // The last page that starts above the position.
    const auto it = std::upper_bound(layout_.tops.begin(), layout_.tops.end(), y);
    const int page = std::max(0, static_cast<int>(it - layout_.tops.begin()) - 1);
    const QPointF origin = to_viewport(page, {0, 0});
    return {page, (QPointF(viewport_position) - origin) / layout_.scale};
}

std::pair<int, QPointF> page_view::selection_point(QPointF position, int page) const {
    if (page < 0) {
        // The page whose band (with half the gap on each side) holds the position.
        const double y = verticalScrollBar()->value() + position.y() + spacing / 2;
        const auto it = std::upper_bound(layout_.tops.begin(), layout_.tops.end(), y);
        page = std::max(0, static_cast<int>(it - layout_.tops.begin()) - 1);
    }
    const QSizeF points = layout_.points[static_cast<std::size_t>(page)];
    const QPointF at = (position - to_viewport(page, {0, 0})) / layout_.scale;
    return {page, QPointF(std::clamp(at.x(), 0.0, points.width()),
                          std::clamp(at.y(), 0.0, points.height()))};
}

void page_view::show_place(const place& p, QPoint viewport_position) {
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
    // The page that takes most of the view's height; of several that show whole
    // (a small zoom), the first.
    const double top = bar->value();
    const double bottom = top + viewport()->height();
    const auto [first, last] = visible_pages();
    int most_shown = first;
    double most = -1;
    for (int page = first; page <= last; ++page) {
        const double page_top = layout_.tops[static_cast<std::size_t>(page)];
        const double shown = std::min(bottom, page_top + layout_.page_pixels(page).height()) -
                             std::max(top, page_top);
        if (shown > most + 0.5) {
            most = shown;
            most_shown = page;
        }
    }
    return most_shown;
}

void page_view::rezoom(QPoint anchor, zoom_mode mode, double factor) {
    const place kept = place_at(anchor);
    const int reading = current_page();
    mode_ = mode;
    if (mode == zoom_mode::factor) {
        layout_.scale = std::clamp(factor, min_zoom, max_zoom) * points_to_pixels_at_100;
        ++interest_->epoch;
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

void page_view::update_cache_budget() {
    // Twice what a screen of tiles can cover, so that the tiles in view never push
    // each other out, and a little to scroll back into.
    const QSize device = viewport()->size() * devicePixelRatioF();
    const qint64 screen =
        static_cast<qint64>(device.width() + 2 * tile_side) * (device.height() + 2 * tile_side);
    cache_.set_budget(std::max(min_cache_pixels, 2 * screen));
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
        emit current_page_changed(now);
    }
}

} // namespace krv
