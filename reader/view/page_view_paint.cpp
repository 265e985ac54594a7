// Painting the pages: the tiles that show, asked of the pdf thread when missing
// (all those of a page in one render), the previous zoom's tiles stretched in
// their place meanwhile, and the page sizes read in the background.
#include "page_view.h"

#include <QElapsedTimer>
#include <QPdfDocument>
#include <QScrollBar>

#include <cmath>

namespace krv {

namespace {

const QColor background(0xD8, 0xDB, 0xDF);

// A rectangle of device pixels as logical pixels of the viewport.
QRectF logical(const QRect& device, qreal ratio) {
    return QRectF(QPointF(device.topLeft()) / ratio, QSizeF(device.size()) / ratio);
}

} // namespace

QRect page_view::page_rect(int page) const {
    return QRect(to_viewport(page, {0, 0}).toPoint(), layout_.page_pixels(page));
}

QSize page_view::device_pixels(int page) const {
    return layout_.page_pixels(page) * devicePixelRatioF();
}

void page_view::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), background);
    // What is missing is asked for first: the pdf thread renders while this paints.
    complete_ = request_visible();
    const auto [first, last] = visible_pages();
    if (!document_ || first < 0) {
        paint_focus_ring(painter);
        return;
    }
    for (int page = first; page <= last; ++page) {
        const QRect area = page_rect(page);
        if (!area.intersects(viewport()->rect()))
            continue;
        painter.fillRect(area.translated(2, 2), QColor(0, 0, 0, 40)); // a soft edge under it
        painter.fillRect(area, Qt::white);
        paint_pictures(painter, page);
        paint_page_extras(painter, page);
    }
    paint_focus_ring(painter);
    if (!complete_)
        return;
    // Every picture is there: the other zooms' tiles are of no more use.
    const quint64 id = document_->id();
    cache_.drop_if([&](const tile_key& key) {
        return key.document == id &&
               (key.page >= page_count() || key.whole != device_pixels(key.page));
    });
    if (!painted_) {
        painted_ = true;
        emit first_painted();
    }
    emit pictures_shown();
}

void page_view::shed_hidden_tiles() {
    QSet<tile_key> shown;
    const auto [first, last] = visible_pages();
    for (int page = std::max(first, 0); document_ && page <= last; ++page)
        for (const tile_key& key : visible_tiles(page))
            shown.insert(key);
    cache_.drop_if([&](const tile_key& key) { return !shown.contains(key); });
}

bool page_view::request_visible() {
    const auto [first, last] = visible_pages();
    interest_->first = first;
    interest_->last = last;
    if (!document_ || first < 0)
        return true;
    bool complete = true;
    for (int page = first; page <= last; ++page) {
        std::vector<tile_key> missing;
        for (const tile_key& key : visible_tiles(page))
            if (!cache_.contains(key))
                missing.push_back(key);
        if (missing.empty())
            continue;
        complete = false;
        request_tiles(std::move(missing), pdf_priority::interactive, false);
    }
    return complete;
}

std::vector<tile_key> page_view::visible_tiles(int page) const {
    const qreal ratio = devicePixelRatioF();
    const QRect area = page_rect(page);
    const QRect shown = area.intersected(viewport()->rect()).translated(-area.topLeft());
    const QRect device(shown.topLeft() * ratio, shown.size() * ratio);
    return tiles_covering(document_->id(), page, device_pixels(page), device);
}

void page_view::paint_pictures(QPainter& painter, int page) {
    const qreal ratio = devicePixelRatioF();
    const QRect area = page_rect(page);
    std::vector<std::pair<QRectF, const QImage*>> found;
    bool missing = false;
    for (const tile_key& key : visible_tiles(page)) {
        if (const QImage* image = cache_.find(key))
            found.emplace_back(logical(tile_rect(key), ratio).translated(area.topLeft()), image);
        else
            missing = true;
    }
    if (missing)
        paint_stand_ins(painter, page, area, device_pixels(page));
    for (const auto& [where, image] : found)
        painter.drawImage(where.topLeft(), *image);
}

// The page's tiles at other zooms, stretched to where they belong at this one.
void page_view::paint_stand_ins(QPainter& painter, int page, const QRect& area, QSize whole) {
    const qreal ratio = devicePixelRatioF();
    painter.save();
    painter.setClipRect(area.intersected(viewport()->rect()));
    cache_.for_each_of_page(document_->id(), page, [&](const tile_key& key, const QImage& image) {
        if (key.whole == whole)
            return;
        const double sx = double(whole.width()) / key.whole.width();
        const double sy = double(whole.height()) / key.whole.height();
        const QRect from = tile_rect(key);
        const QRectF to(from.x() * sx / ratio, from.y() * sy / ratio, from.width() * sx / ratio,
                        from.height() * sy / ratio);
        painter.drawImage(to.translated(area.topLeft()), image);
    });
    painter.restore();
}

// Search hits, the selection, and what the component paints over a page.
void page_view::paint_page_extras(QPainter& painter, int page) {
    const double scale = layout_.scale;
    auto draw = [&](const QRectF& points_rect, const QColor& fill, const QColor& edge) {
        const QRectF r(to_viewport(page, points_rect.topLeft()), points_rect.size() * scale);
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
        page_painter_(painter, page, QRectF(page_rect(page)), scale);
        painter.restore();
    }
}

void page_view::request_tiles(std::vector<tile_key> tiles, pdf_priority priority,
                              bool always_wanted) {
    std::erase_if(tiles, [this](const tile_key& key) { return in_flight_.contains(key); });
    pdf_thread* thread = document_ ? document_->thread() : nullptr;
    if (tiles.empty() || !thread)
        return;
    for (const tile_key& key : tiles)
        in_flight_.insert(key);
    const int page = tiles.front().page;
    const QSizeF expected = layout_.points[static_cast<std::size_t>(page)];
    const quint64 asked_at = interest_->epoch.load();
    const quint64 id = tiles.front().document;
    const qreal ratio = devicePixelRatioF();
    QPointer<page_view> self(this);
    thread->post(id, priority, [=, watch = interest_](QPdfDocument& document) {
        if (!always_wanted && !watch->wants(page, asked_at)) {
            thread->reply([self, tiles] {
                if (self)
                    self->take_tiles({}, tiles);
            });
            return;
        }
        // A page of another size than was taken for it: its place changes first.
        const QSizeF real = document.pagePointSize(page);
        if (real != expected) {
            thread->reply([self, id, page, real, tiles] {
                if (self)
                    self->take_page_size(id, page, real, tiles);
            });
            return;
        }
        // Cut here, not on the GUI thread: copying a screen of tiles into fresh
        // memory took it 8 to 18 ms, its longest stall while a manual was searched.
        thread->reply([self, pictures = cut_tiles(render_tiles(document, tiles), ratio), tiles] {
            if (self)
                self->take_tiles(pictures, tiles);
        });
    });
}

void page_view::take_tiles(std::vector<std::pair<tile_key, QImage>> pictures,
                           const std::vector<tile_key>& asked) {
    for (const tile_key& key : asked)
        in_flight_.remove(key);
    for (auto& [key, image] : pictures)
        if (document_ && key.document == document_->id())
            cache_.insert(key, std::move(image));
    viewport()->update();
}

void page_view::take_page_size(quint64 document, int page, QSizeF size,
                               const std::vector<tile_key>& asked) {
    for (const tile_key& key : asked)
        in_flight_.remove(key);
    if (!document_ || document_->id() != document || page >= page_count())
        return;
    layout_.points[static_cast<std::size_t>(page)] = size;
    relayout_in_place();
}

void page_view::prepare_first_screen(const shared_document& document) {
    pdf_thread* thread = document ? document->thread() : nullptr;
    if (!thread)
        return;
    // The new document as set_document will lay it out: from its first page,
    // fitted to the width of the view as it stands.
    page_layout ahead;
    ahead.points.assign(static_cast<std::size_t>(document->page_count()),
                        document->first_page_size());
    ahead.lay_out(ahead.fitting_scale(0, viewport()->size(), false));
    const qreal ratio = devicePixelRatioF();
    // Shown from its top: the view's scroll position will be nought.
    for (int page = 0; page < ahead.page_count(); ++page) {
        const QRect area(ahead.origin(page, viewport()->width()), ahead.page_pixels(page));
        if (area.top() >= viewport()->height())
            break;
        const QRect shown = area.intersected(viewport()->rect()).translated(-area.topLeft());
        const QRect device(shown.topLeft() * ratio, shown.size() * ratio);
        const auto tiles = tiles_covering(document->id(), page, area.size() * ratio, device);
        const QSizeF expected = ahead.points[static_cast<std::size_t>(page)];
        QPointer<page_view> self(this);
        thread->post(*document, pdf_priority::interactive, [=](QPdfDocument& pdf) {
            if (pdf.pagePointSize(page) != expected)
                return; // laid out otherwise when shown: its pictures are asked for then
            thread->reply([self, pictures = cut_tiles(render_tiles(pdf, tiles), ratio)] {
                if (self)
                    for (const auto& [key, image] : pictures)
                        self->cache_.insert(key, image);
            });
        });
    }
}

} // namespace krv
