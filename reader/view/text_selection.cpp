#include "text_selection.h"

#include <QApplication>
#include <QClipboard>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPointer>

#include "text.h"

#include <algorithm>
#include <mutex>

namespace krv {

// The lines of text of the page a selection is on, top first: read once, by
// whichever job on the pdf thread asks first. The once-flag orders the reading
// before every use, whatever order the jobs run in.
struct selection_lines {
    const std::vector<QRectF>& of(QPdfDocument& document, int page) {
        std::call_once(read_, [&] {
            for (const QPolygonF& line : document.getAllText(page).bounds())
                lines_.push_back(line.boundingRect());
            std::sort(lines_.begin(), lines_.end(),
                      [](const QRectF& a, const QRectF& b) { return a.top() < b.top(); });
        });
        return lines_;
    }

private:
    std::once_flag read_;
    std::vector<QRectF> lines_;
};

QString with_linux_line_ends(QString text) {
    // Qt PDF gives a hyphen that ended a line as U+FFFE, without the line's end.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar(0xFFFE), QStringLiteral("-\n"));
    return text;
}

// The text is found only near characters: hence the move to a line.
QPointF point_in_text(const std::vector<QRectF>& lines, QPointF point, bool end) {
    if (lines.empty())
        return point;
    auto start_of = [](const QRectF& line) {
        return QPointF(line.left() + 0.5, line.center().y());
    };
    auto end_of = [](const QRectF& line) { return QPointF(line.right() - 0.5, line.center().y()); };
    for (const QRectF& line : lines) {
        if (point.y() < line.top()) // above this line, below the one before: between them
            return end ? (&line == &lines.front() ? start_of(line) : end_of(*(&line - 1)))
                       : start_of(line);
        if (point.y() <= line.bottom()) {
            if (point.x() < line.left())
                return start_of(line);
            if (point.x() > line.right())
                return end_of(line);
            return point;
        }
    }
    return end_of(lines.back()); // below every line
}

namespace {

// Where a point stands in a page's text, as a boundary between characters (the
// one after a character when the point is on its right half); -1 off the text.
// Qt PDF tells a character's index only between two points apart: hence the
// line's start, or its end, as the other.
int boundary_at(QPdfDocument& document, int page, const std::vector<QRectF>& lines, QPointF point) {
    for (const QRectF& line : lines) {
        if (!line.adjusted(-2, -2, 2, 2).contains(point))
            continue;
        const QPointF start(line.left() + 0.5, line.center().y());
        const QPointF end(line.right() - 0.5, line.center().y());
        const QPdfSelection before = document.getSelection(page, start, point);
        if (!before.text().isEmpty())
            return before.endIndex();
        const QPdfSelection after = document.getSelection(page, point, end);
        if (!after.text().isEmpty())
            return after.startIndex();
    }
    return -1;
}

} // namespace

text_selection::text_selection(QObject* parent) : QObject(parent) {}

void text_selection::set_document(shared_document document) {
    document_ = std::move(document);
    clear();
}

void text_selection::start(int page, QPointF point) {
    clear();
    page_ = page;
    start_ = point;
    lines_.reset();
    pdf_thread* thread = document_ ? document_->thread() : nullptr;
    if (!thread)
        return;
    // The page's lines of text, read on the pdf thread ahead of the selection
    // jobs that follow (this side never reads them).
    auto lines = std::make_shared<selection_lines>();
    lines_ = lines;
    thread->post(*document_, pdf_priority::interactive,
                 [lines, page](QPdfDocument& document) { lines->of(document, page); });
}

void text_selection::extend(QPointF end) {
    ask(end);
}

void text_selection::finish() {
    if (asked_ || waiting_)
        primary_waiting_ = true;
    else if (!text_.isEmpty())
        QApplication::clipboard()->setText(text_, QClipboard::Selection);
}

void text_selection::select_page(int page) {
    if (!document_ || page < 0 || page >= document_->page_count())
        return;
    clear();
    page_ = page;
    copy_waiting_ = false; // a copy asked before is of what was selected then
    pdf_thread* thread = document_->thread();
    if (!thread)
        return;
    asked_ = true;
    QPointer<text_selection> self(this);
    thread->post(*document_, pdf_priority::interactive, [=](QPdfDocument& document) {
        thread->reply([self, page, read = read_from(document.getAllText(page))]() mutable {
            if (self)
                self->take(page, std::move(read), true);
        });
    });
}

void text_selection::select_at(int page, QPointF point, text_unit unit) {
    if (!document_ || page < 0 || page >= document_->page_count())
        return;
    clear();
    page_ = page;
    copy_waiting_ = false;
    pdf_thread* thread = document_->thread();
    if (!thread)
        return;
    asked_ = true;
    auto lines = std::make_shared<selection_lines>();
    QPointer<text_selection> self(this);
    thread->post(*document_, pdf_priority::interactive, [=](QPdfDocument& document) {
        const int at = boundary_at(document, page, lines->of(document, page), point);
        const QString all = document.getAllText(page).text();
        const text_range range = unit == text_unit::word ? word_at(all, at) : line_at(all, at);
        read_selection read;
        if (!range.empty())
            read =
                read_from(document.getSelectionAtIndex(page, range.start, range.end - range.start));
        thread->reply([self, page, read = std::move(read)]() mutable {
            if (self)
                self->take(page, std::move(read), true);
        });
    });
}

void text_selection::ask(QPointF end) {
    pdf_thread* thread = document_ ? document_->thread() : nullptr;
    if (!thread || page_ < 0)
        return;
    if (asked_) {
        waiting_ = end;
        return;
    }
    asked_ = true;
    const int page = page_;
    const QPointF start = start_;
    std::shared_ptr<selection_lines> lines = lines_;
    if (!lines)
        lines = lines_ = std::make_shared<selection_lines>();
    QPointer<text_selection> self(this);
    thread->post(*document_, pdf_priority::interactive, [=](QPdfDocument& document) {
        const std::vector<QRectF>& near = lines->of(document, page);
        const QPdfSelection selection = document.getSelection(
            page, point_in_text(near, start, false), point_in_text(near, end, true));
        thread->reply([self, page, read = read_from(selection)]() mutable {
            if (self)
                self->take(page, std::move(read), false);
        });
    });
}

text_selection::read_selection text_selection::read_from(const QPdfSelection& selection) {
    // The place from the text's own length: Qt PDF ends a selection's index after
    // its last character for a whole page, on it for a selection between points.
    const QString raw = selection.text();
    return {with_linux_line_ends(raw), selection.bounds(), std::max(0, selection.startIndex()),
            static_cast<int>(raw.size())};
}

void text_selection::take(int page, read_selection selection, bool whole_page) {
    asked_ = false;
    if (page != page_)
        return;
    bounds_ = std::move(selection.bounds);
    text_ = std::move(selection.text);
    start_index_ = selection.start;
    end_index_ = text_.isEmpty() ? selection.start : selection.start + selection.length;
    emit changed();
    if (!whole_page && waiting_) {
        ask(*std::exchange(waiting_, std::nullopt));
        return;
    }
    if (std::exchange(primary_waiting_, false) && !text_.isEmpty())
        QApplication::clipboard()->setText(text_, QClipboard::Selection);
    // Copied as it came: a page without text is not asked for again and again.
    if (std::exchange(copy_waiting_, false) && !text_.isEmpty())
        QApplication::clipboard()->setText(text_);
}

void text_selection::clear() {
    page_ = -1;
    bounds_.clear();
    text_.clear();
    start_index_ = end_index_ = 0;
    waiting_.reset();
    primary_waiting_ = false;
    emit changed();
}

void text_selection::copy(int current_page) {
    if (asked_) {
        copy_waiting_ = true; // once the selection is known
        return;
    }
    if (!text_.isEmpty()) {
        QApplication::clipboard()->setText(text_);
        return;
    }
    if (current_page < 0)
        return;
    select_page(current_page);
    copy_waiting_ = true;
}

} // namespace krv
