#include "text_frame.h"

#include <algorithm>

namespace krv {

namespace {

// A glyph's box may stand a little over the page's edge and still show.
constexpr double slack = 1.0;

bool on_page(const QRectF& box, QSizeF page) {
    return box.left() >= -slack && box.top() >= -slack && box.right() <= page.width() + slack &&
           box.bottom() <= page.height() + slack;
}

QSizeF shown_size(const text_frame& frame) {
    return {frame.geometry.view_width, frame.geometry.view_height};
}

} // namespace

std::shared_ptr<const text_frame>
frame_of(const QList<QPolygonF>& boxes, QSizeF page_size,
         const std::function<std::optional<page_geometry>()>& geometry) {
    const auto as_is = [&](const QPolygonF& box) { return on_page(box.boundingRect(), page_size); };
    if (std::all_of(boxes.begin(), boxes.end(), as_is))
        return nullptr;
    const std::optional<page_geometry> read = geometry();
    if (!read)
        return nullptr;
    auto frame = std::make_shared<text_frame>();
    frame->geometry = *read;
    frame->partly_hidden = std::any_of(boxes.begin(), boxes.end(), [&](const QPolygonF& box) {
        return !on_page(shown_box(*frame, box.boundingRect()), shown_size(*frame));
    });
    return frame;
}

QRectF shown_box(const text_frame& frame, const QRectF& box) {
    // Back to the file's space, where y goes up from the bottom: Qt PDF took the
    // page's height as shown (turned) for its y.
    const double height = frame.geometry.view_height;
    const view_rect shown =
        to_view(frame.geometry, normalised_rect(box.left(), height - box.bottom(), box.right(),
                                                height - box.top()));
    return {shown.x, shown.y, shown.width, shown.height};
}

std::vector<QRectF> line_rectangles(const QList<QPolygonF>& boxes) {
    // The boxes come a run of text at a time: those of one line make one rectangle.
    std::vector<QRectF> rects;
    for (const QPolygonF& polygon : boxes) {
        const QRectF box = polygon.boundingRect();
        if (!rects.empty()) {
            QRectF& last = rects.back();
            const double overlap =
                std::min(last.bottom(), box.bottom()) - std::max(last.top(), box.top());
            if (overlap > 0.5 * std::min(last.height(), box.height())) {
                last = last.united(box);
                continue;
            }
        }
        rects.push_back(box);
    }
    return rects;
}

std::vector<QRectF> shown_rectangles(const QList<QPolygonF>& boxes, const text_frame* frame) {
    if (!frame)
        return line_rectangles(boxes);
    QList<QPolygonF> shown;
    for (const QPolygonF& box : boxes)
        shown.append(QPolygonF(shown_box(*frame, box.boundingRect())));
    return line_rectangles(shown);
}

bool on_page(const std::vector<QRectF>& rects, const text_frame& frame) {
    return !rects.empty() && std::all_of(rects.begin(), rects.end(), [&](const QRectF& rect) {
        return on_page(rect, shown_size(frame));
    });
}

} // namespace krv
