#include "page_view.h"

#include <QPainter>
#include <QPdfDocument>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

constexpr double margin = page_view::page_margin;
constexpr double spacing = 8.0; // between pages
constexpr double points_to_pixels_at_100 = 96.0 / 72.0;
constexpr qint64 cache_budget = 40LL * 1024 * 1024; // some eight pages at the viewer's width
// A whole page is rendered and kept up to this many pixels; a larger one is
// rendered in its visible part only, so that memory stays bounded at any zoom.
constexpr qint64 whole_page_pixels = 12LL * 1024 * 1024;
const QColor background(0xD8, 0xDB, 0xDF);

qint64 image_bytes(const QImage& image) {
    return image.sizeInBytes();
}

} // namespace

page_view::page_view(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(false);
    // Always there, so that the width a page is fitted to never changes under it.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
    size_timer_ = new QTimer(this);
    size_timer_->setInterval(0);
    connect(size_timer_, &QTimer::timeout, this, &page_view::measure_more_pages);
}

void page_view::measure_more_pages() {
    constexpr int batch = 64;
    if (!document_) {
        size_timer_->stop();
        return;
    }
    const int end = std::min(page_count(), sizes_known_ + batch);
    for (; sizes_known_ < end; ++sizes_known_) {
        const QSizeF real = document_->pagePointSize(sizes_known_);
        if (real != points_[static_cast<std::size_t>(sizes_known_)]) {
            points_[static_cast<std::size_t>(sizes_known_)] = real;
            sizes_differ_ = true;
        }
    }
    if (sizes_known_ < page_count())
        return;
    size_timer_->stop();
    if (sizes_differ_) {
        const place kept = place_at(QPoint(0, 0));
        relayout();
        show_place(kept, QPoint(0, 0));
        viewport()->update();
    }
}

void page_view::set_document(QPdfDocument* document, bool keep_place) {
    const place kept = place_at(QPoint(0, 0));
    painted_ = false;
    const zoom_mode kept_mode = mode_;
    const double kept_scale = scale_;
    document_ = document;
    cache_.clear();
    clear_selection();
    tops_.clear();
    points_.clear();
    sizes_known_ = 0;
    sizes_differ_ = false;
    if (document_ && document_->pageCount() > 0) {
        points_.assign(static_cast<std::size_t>(document_->pageCount()),
                       document_->pagePointSize(0));
        tops_.resize(points_.size());
        sizes_known_ = 1;
        size_timer_->start();
    }
    if (keep_place) {
        mode_ = kept_mode;
        scale_ = kept_scale;
    } else {
        mode_ = zoom_mode::fit_width;
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

double page_view::fitting_scale() const {
    double widest = 0, tallest = 0;
    for (const QSizeF& s : points_) {
        widest = std::max(widest, s.width());
        tallest = std::max(tallest, s.height());
    }
    if (widest <= 0 || tallest <= 0)
        return points_to_pixels_at_100;
    const QSize room = viewport()->size();
    const double by_width = (room.width() - 2 * margin) / widest;
    if (mode_ == zoom_mode::fit_width)
        return std::max(by_width, min_zoom * points_to_pixels_at_100);
    const double by_height = (room.height() - 2 * margin) / tallest;
    return std::max(std::min(by_width, by_height), min_zoom * points_to_pixels_at_100);
}

QSizeF page_view::page_size_px(int page) const {
    return points_[page] * scale_;
}

void page_view::relayout() {
    if (mode_ != zoom_mode::factor)
        scale_ = fitting_scale();
    double y = margin;
    double widest = 0;
    for (int i = 0; i < page_count(); ++i) {
        tops_[i] = y;
        const QSizeF s = page_size_px(i);
        y += s.height() + spacing;
        widest = std::max(widest, s.width());
    }
    content_height_ = page_count() ? y - spacing + margin : 0;
    content_width_ = widest + 2 * margin;
    const QSize room = viewport()->size();
    verticalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(content_height_)) - room.height()));
    // A whole page fitted: Page Down goes on by one page exactly.
    verticalScrollBar()->setPageStep(
        mode_ == zoom_mode::fit_page && page_count() > 0
            ? static_cast<int>(std::lround(page_size_px(0).height() + spacing))
            : room.height());
    horizontalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(content_width_)) - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
}

QPointF page_view::to_viewport(int page, QPointF point) const {
    const double left = std::max(
        margin,
        (std::max<double>(viewport()->width(), content_width_) - page_size_px(page).width()) / 2.0);
    return QPointF(left + point.x() * scale_ - horizontalScrollBar()->value(),
                   tops_[page] + point.y() * scale_ - verticalScrollBar()->value());
}

std::pair<int, QPointF> page_view::from_viewport(QPoint position) const {
    for (int i = 0; i < page_count(); ++i) {
        const QPointF origin = to_viewport(i, {0, 0});
        const QRectF r(origin, page_size_px(i));
        if (r.contains(position))
            return {i, (QPointF(position) - origin) / scale_};
    }
    return {-1, {}};
}

page_view::place page_view::place_at(QPoint viewport_position) const {
    if (page_count() == 0)
        return {};
    const double y = verticalScrollBar()->value() + viewport_position.y();
    // The last page that starts above the position.
    const auto it = std::upper_bound(tops_.begin(), tops_.end(), y);
    const int page = std::max(0, static_cast<int>(it - tops_.begin()) - 1);
    const QPointF origin = to_viewport(page, {0, 0});
    return {page, (QPointF(viewport_position) - origin) / scale_};
}

std::pair<int, QPointF> page_view::selection_point(QPointF position, int page) const {
    if (page < 0) {
        // The page whose band (with half the gap on each side) holds the position.
        const double y = verticalScrollBar()->value() + position.y() + spacing / 2;
        const auto it = std::upper_bound(tops_.begin(), tops_.end(), y);
        page = std::max(0, static_cast<int>(it - tops_.begin()) - 1);
    }
    const QSizeF points = points_[static_cast<std::size_t>(page)];
    const QPointF at = (position - to_viewport(page, {0, 0})) / scale_;
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
    if (verticalScrollBar()->value() >= verticalScrollBar()->maximum() &&
        verticalScrollBar()->maximum() > 0)
        return page_count() - 1; // at the end: the last page, however short
    return place_at(QPoint(0, viewport()->height() / 2)).page;
}

void page_view::rezoom(QPoint anchor, zoom_mode mode, double factor) {
    const place kept = place_at(anchor);
    mode_ = mode;
    if (mode == zoom_mode::factor)
        scale_ = std::clamp(factor, min_zoom, max_zoom) * points_to_pixels_at_100;
    relayout();
    show_place(kept, anchor);
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

qint64 page_view::cache_bytes() const {
    qint64 total = 0;
    for (const auto& entry : cache_)
        total += image_bytes(entry.image);
    return total;
}

QImage page_view::rendered(int page, const QSize& size, const QRect& visible_part) {
    const qreal ratio = devicePixelRatioF();
    const QSize device_size = size * ratio;
    if (static_cast<qint64>(device_size.width()) * device_size.height() > whole_page_pixels) {
        // Too big to keep whole: render just what shows.
        QPdfDocumentRenderOptions options;
        options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        options.setScaledSize(device_size);
        const QRect part(visible_part.topLeft() * ratio, visible_part.size() * ratio);
        options.setScaledClipRect(part);
        QImage image = document_->render(page, part.size(), options);
        image.setDevicePixelRatio(ratio);
        return image;
    }
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->page == page && it->size == device_size) {
            cache_.splice(cache_.begin(), cache_, it);
            return cache_.front().image;
        }
    }
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    QImage image = document_->render(page, device_size, options);
    image.setDevicePixelRatio(ratio);
    cache_.push_front({page, device_size, image});
    qint64 total = cache_bytes();
    while (total > cache_budget && cache_.size() > 1) {
        total -= image_bytes(cache_.back().image);
        cache_.pop_back();
    }
    return image;
}

void page_view::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), background);
    if (!document_) {
        paint_focus_ring(painter);
        return;
    }
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    const auto first = std::upper_bound(tops_.begin(), tops_.end(), static_cast<double>(top));
    for (int page = std::max(0, static_cast<int>(first - tops_.begin()) - 1); page < page_count();
         ++page) {
        if (tops_[page] > bottom)
            break;
        const QSizeF size = page_size_px(page);
        const QRectF area(to_viewport(page, {0, 0}), size);
        if (area.bottom() < 0)
            continue;
        painter.fillRect(area.translated(2, 2), QColor(0, 0, 0, 40)); // a soft edge under the page
        painter.fillRect(area, Qt::white);
        const QRect whole = area.toAlignedRect();
        const QRect visible = whole.intersected(viewport()->rect());
        if (visible.isEmpty())
            continue;
        const QImage image = rendered(page, whole.size(), visible.translated(-whole.topLeft()));
        if (image.deviceIndependentSize().toSize() == whole.size())
            painter.drawImage(whole.topLeft(), image);
        else
            painter.drawImage(visible.topLeft(), image);

        paint_page_extras(painter, page);
    }
    if (!painted_) {
        painted_ = true;
        emit first_painted();
    }
}

// Search hits, the selection, and what the component paints over a page.
void page_view::paint_page_extras(QPainter& painter, int page) {
    auto draw = [&](const QRectF& points_rect, const QColor& fill, const QColor& edge) {
        const QRectF r(to_viewport(page, points_rect.topLeft()), points_rect.size() * scale_);
        painter.fillRect(r, fill);
        if (edge.isValid()) {
            painter.setPen(QPen(edge, 1.5));
            painter.drawRect(r);
        }
    };
    if (highlights_)
        for (const page_highlight& h : highlights_(page))
            draw(h.rect, h.current ? QColor(255, 140, 0, 120) : QColor(255, 230, 0, 110),
                 h.current ? QColor(220, 90, 0) : QColor());
    if (page == selection_page_)
        for (const QPolygonF& polygon : selection_bounds_)
            draw(polygon.boundingRect(), QColor(40, 110, 220, 80), QColor());
    if (page_painter_) {
        painter.save();
        page_painter_(painter, page, QRectF(to_viewport(page, {0, 0}), page_size_px(page)), scale_);
        painter.restore();
    }
    paint_focus_ring(painter);
}

void page_view::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    const place kept = place_at(QPoint(0, 0));
    relayout();
    show_place(kept, QPoint(0, 0));
    if (mode_ != zoom_mode::factor)
        emit zoom_changed(); // a fitted page changes its zoom with the view's size
}

void page_view::scrollContentsBy(int, int) {
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
