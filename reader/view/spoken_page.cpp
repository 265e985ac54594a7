#include "spoken_page.h"

#include "page_view.h"

#include <QAccessible>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace krv {

namespace {

constexpr QChar line_end_hyphen{0xFFFE}; // Qt PDF's hyphen that ended a line

// The lines the runs make: a run whose middle lies within the line before
// stands beside it.
std::vector<QRectF> lines_of(const QList<QPolygonF>& runs) {
    std::vector<QRectF> lines;
    for (const QPolygonF& run : runs) {
        const QRectF r = run.boundingRect();
        if (!lines.empty() && r.center().y() >= lines.back().top() &&
            r.center().y() <= lines.back().bottom())
            lines.back() = lines.back().united(r);
        else
            lines.push_back(r);
    }
    return lines;
}

struct text_line {
    int first;
    int end;  ///< after its last character shown
    int next; ///< where the next line starts (after the line's end)
};

// The text's lines; a line's end (CR, LF or both) is not part of it, a hyphen
// that ended it is.
std::vector<text_line> text_lines_of(const QString& raw) {
    std::vector<text_line> lines;
    int first = 0;
    const int size = static_cast<int>(raw.size());
    for (int i = 0; i < size; ++i) {
        if (raw[i] == line_end_hyphen) {
            lines.push_back({first, i + 1, i + 1});
        } else if (raw[i] == u'\r' || raw[i] == u'\n') {
            const int next = raw[i] == u'\r' && i + 1 < size && raw[i + 1] == u'\n' ? i + 2 : i + 1;
            lines.push_back({first, i, next});
        } else {
            continue;
        }
        first = lines.back().next;
        i = first - 1;
    }
    if (first < size)
        lines.push_back({first, size, size});
    return lines;
}

} // namespace

QString spoken_text(QString raw) {
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\r')
            raw[i] = i + 1 < raw.size() && raw[i + 1] == u'\n' ? u' ' : u'\n';
        else if (raw[i] == line_end_hyphen)
            raw[i] = u'-';
    }
    return raw;
}

std::vector<QRectF> character_boxes(const QString& raw, const QList<QPolygonF>& runs) {
    std::vector<QRectF> boxes(static_cast<std::size_t>(raw.size()));
    const std::vector<QRectF> lines = lines_of(runs);
    const std::vector<text_line> spans = text_lines_of(raw);
    if (lines.empty())
        return boxes;
    const std::size_t count = spans.size();
    for (std::size_t l = 0; l < count; ++l) {
        const QRectF& line =
            lines[count == lines.size() ? l : std::min(lines.size() - 1, l * lines.size() / count)];
        const text_line& span = spans[l];
        const double width = span.end > span.first ? line.width() / (span.end - span.first) : 0;
        for (int i = span.first; i < span.end; ++i)
            boxes[static_cast<std::size_t>(i)] =
                QRectF(line.left() + (i - span.first) * width, line.top(), width, line.height());
        for (int i = span.end; i < span.next; ++i)
            boxes[static_cast<std::size_t>(i)] = QRectF(line.right(), line.top(), 0, line.height());
    }
    return boxes;
}

spoken_page::spoken_page(page_view* view) : QObject(view), view_(view) {
    connect(view, &page_view::document_set, this, &spoken_page::follow);
    connect(view, &page_view::current_page_changed, this, &spoken_page::follow);
    connect(&view->selection(), &text_selection::changed, this, &spoken_page::selection_changed);
    follow();
}

QRectF spoken_page::box(int offset) const {
    return offset >= 0 && offset < static_cast<int>(boxes_.size())
               ? boxes_[static_cast<std::size_t>(offset)]
               : QRectF();
}

int spoken_page::offset_at(QPointF point) const {
    int nearest = -1;
    double distance = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const QRectF& b = boxes_[i];
        if (point.y() < b.top() || point.y() > b.bottom() || b.width() <= 0)
            continue;
        const double away = point.x() < b.left()    ? b.left() - point.x()
                            : point.x() > b.right() ? point.x() - b.right()
                                                    : 0;
        if (away < distance) {
            distance = away;
            nearest = static_cast<int>(i);
        }
    }
    return nearest;
}

void spoken_page::follow() {
    const shared_document& document = view_->document();
    const quint64 id = document ? document->id() : 0;
    const int page = view_->current_page();
    if (id == document_ && page == page_)
        return;
    document_ = id;
    page_ = page;
    *wanted_ = page;
    boxes_.clear();
    // Said at once: what was spoken is not on screen any more.
    if (const QString gone = std::exchange(text_, QString()); !gone.isEmpty()) {
        QAccessibleTextRemoveEvent removed(view_, 0, gone);
        QAccessible::updateAccessibility(&removed);
    }
    pdf_thread* thread = document ? document->thread() : nullptr;
    if (!thread || page < 0)
        return;
    QPointer<spoken_page> self(this);
    thread->post(*document, pdf_priority::prefetch,
                 [self, thread, id, page, wanted = wanted_](QPdfDocument& pdf) {
                     if (wanted->load() != page)
                         return; // the reader went on meanwhile
                     const QPdfSelection all = pdf.getAllText(page);
                     const QString raw = all.text();
                     thread->reply([self, id, page, text = spoken_text(raw),
                                    boxes = character_boxes(raw, all.bounds())]() mutable {
                         if (self)
                             self->take(id, page, std::move(text), std::move(boxes));
                     });
                 });
}

void spoken_page::take(quint64 document, int page, QString text, std::vector<QRectF> boxes) {
    if (document != document_ || page != page_ || text.isEmpty())
        return;
    text_ = std::move(text);
    boxes_ = std::move(boxes);
    QAccessibleTextInsertEvent inserted(view_, 0, text_);
    QAccessible::updateAccessibility(&inserted);
}

void spoken_page::selection_changed() {
    const text_selection& selection = view_->selection();
    if (selection.page() != page_ || text_.isEmpty())
        return;
    QAccessibleTextSelectionEvent event(view_, selection.start_index(), selection.end_index());
    QAccessible::updateAccessibility(&event);
}

} // namespace krv
