// Painting the pages: the tiles that show, asked for when missing (all those of
// a page in one render), the previous zoom's tiles stretched in their place
// meanwhile; what is painted over them; the keyboard focus.
#include "page_view.h"

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
        painter.fillRect(area, inverted_ ? Qt::black : Qt::white);
        paint_pictures(painter, page);
        paint_page_extras(painter, page);
    }
    paint_focus_ring(painter);
    if (!complete_)
        return;
    // Every picture is there: the other zooms' and colours' tiles are of no more use.
    const quint64 id = document_->id();
    pictures_->cache().drop_if([&](const tile_key& key) {
        return key.document == id && (key.page >= page_count() || key.inverted != inverted_ ||
                                      key.whole != device_pixels(key.page));
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
    pictures_->cache().drop_if([&](const tile_key& key) { return !shown.contains(key); });
}

bool page_view::request_visible() {
    const auto [first, last] = visible_pages();
    pictures_->set_shown(first, last);
    if (!document_ || first < 0)
        return true;
    bool complete = true;
    for (int page = first; page <= last; ++page) {
        std::vector<tile_key> missing;
        for (const tile_key& key : visible_tiles(page))
            if (!pictures_->cache().contains(key))
                missing.push_back(key);
        if (missing.empty())
            continue;
        complete = false;
        pictures_->request(document_, std::move(missing),
                           layout_.points[static_cast<std::size_t>(page)], devicePixelRatioF(),
                           pdf_priority::interactive, false);
    }
    return complete;
}

std::vector<tile_key> page_view::visible_tiles(int page) const {
    const qreal ratio = devicePixelRatioF();
    const QRect area = page_rect(page);
    const QRect shown = area.intersected(viewport()->rect()).translated(-area.topLeft());
    const QRect device(shown.topLeft() * ratio, shown.size() * ratio);
    return tiles_covering(document_->id(), page, device_pixels(page), device, inverted_);
}

void page_view::paint_pictures(QPainter& painter, int page) {
    const qreal ratio = devicePixelRatioF();
    const QRect area = page_rect(page);
    std::vector<std::pair<QRectF, const QImage*>> found;
    bool missing = false;
    for (const tile_key& key : visible_tiles(page)) {
        if (const QImage* image = pictures_->cache().find(key))
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
    pictures_->cache().for_each_of_page(
        document_->id(), page, [&](const tile_key& key, const QImage& image) {
            // Another zoom's, in the colours that show: never the other colours'.
            if (key.whole == whole || key.inverted != inverted_)
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
    if (page == selection_->page())
        for (const QPolygonF& polygon : selection_->bounds())
            draw(polygon.boundingRect(), QColor(40, 110, 220, 80), QColor());
    if (page_painter_) {
        painter.save();
        page_painter_(painter, page, QRectF(page_rect(page)), scale);
        painter.restore();
    }
}

void page_view::paint_focus_ring(QPainter& painter) const {
    if (!hasFocus() || focus_from_mouse_)
        return;
    // A ring lined in white, so that it shows on the grey, on white paper and on black.
    const auto ring = [&](const QRectF& round) {
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
        painter.drawRect(round.adjusted(1, 1, -1, -1));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(round.adjusted(2.5, 2.5, -2.5, -2.5));
    };
    painter.save();
    ring(QRectF(viewport()->rect())); // round the pages
    if (const std::optional<page_link_area> link = focused_link_area()) {
        const QRectF& r = link->rect;
        const QRectF on_screen(to_viewport(link_.page, r.topLeft()), r.size() * layout_.scale);
        ring(on_screen.adjusted(-4, -4, 4, 4)); // round the link, clear of its text
    }
    painter.restore();
}

} // namespace krv
