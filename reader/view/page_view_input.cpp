// What the reader does with the keyboard and the mouse over the pages: scrolling
// keys, zoom keys and Ctrl+wheel, selecting text to copy, the links and notes
// under the pointer (hand, tooltip, click), and where the keyboard focus is.
#include "page_view.h"

#include "text.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
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

namespace {

// Text as Linux programs expect it: lines end with a line feed, not CR-LF. A
// hyphen that ended a line, which Qt PDF gives as U+FFFE without the line's end,
// is written as it was printed.
QString with_linux_line_ends(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar(0xFFFE), QStringLiteral("-\n"));
    return text;
}

// Where a selection that starts (or ends) at a point of a page starts (or ends)
// in its text, given its lines top first: a point beside, above or below the
// lines moves to the nearest line's start (or end), since the text is found only
// near characters.
QPointF in_text(const std::vector<QRectF>& lines, QPointF point, bool end) {
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

} // namespace

void page_view::keyPressEvent(QKeyEvent* e) {
    if (focus_from_mouse_) {
        focus_from_mouse_ = false; // the keyboard is in use: show where it is
        viewport()->update();
    }
    QScrollBar* v = verticalScrollBar();
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Home:
        go_to_page(0);
        return;
    case Qt::Key_End:
        go_to_end();
        return;
    case Qt::Key_Space:
        v->triggerAction(e->modifiers() & Qt::ShiftModifier ? QAbstractSlider::SliderPageStepSub
                                                            : QAbstractSlider::SliderPageStepAdd);
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (ctrl) {
            zoom_in();
            return;
        }
        break;
    case Qt::Key_Minus:
        if (ctrl) {
            zoom_out();
            return;
        }
        break;
    case Qt::Key_A:
        if (ctrl) {
            select_page_text(current_page());
            return;
        }
        break;
    case Qt::Key_C:
        if (ctrl) {
            copy_selection();
            return;
        }
        break;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(e); // arrows, Page Up and Page Down
}

void page_view::wheelEvent(QWheelEvent* e) {
    if (!(e->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(e);
        return;
    }
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0)
        return;
    // Zoom round the pointer: what is under it stays under it.
    rezoom(e->position().toPoint(), zoom_mode::factor, zoom() * std::pow(zoom_step, steps));
    e->accept();
}

// The text under the mouse and the page's whole text come from the pdf thread; a
// drag asks for one selection at a time, the latest end next.
void page_view::select_page_text(int page) {
    if (!document_ || page < 0 || page >= page_count())
        return;
    clear_selection();
    selection_page_ = page;
    pdf_thread* thread = document_->thread();
    if (!thread)
        return;
    selection_asked_ = true;
    QPointer<page_view> self(this);
    thread->post(*document_, pdf_priority::interactive, [=](QPdfDocument& document) {
        const QPdfSelection all = document.getAllText(page);
        thread->reply([self, page, text = with_linux_line_ends(all.text()), bounds = all.bounds()] {
            if (self)
                self->take_selection(page, text, bounds, true);
        });
    });
}

void page_view::request_selection(QPointF end) {
    pdf_thread* thread = document_ ? document_->thread() : nullptr;
    if (!thread || selection_page_ < 0)
        return;
    if (selection_asked_) {
        selection_waiting_ = end;
        return;
    }
    selection_asked_ = true;
    const int page = selection_page_;
    const QPointF start = selection_start_;
    std::shared_ptr<selection_lines> lines = selection_lines_;
    if (!lines)
        lines = selection_lines_ = std::make_shared<selection_lines>();
    QPointer<page_view> self(this);
    thread->post(*document_, pdf_priority::interactive, [=](QPdfDocument& document) {
        const std::vector<QRectF>& near = lines->of(document, page);
        const QPdfSelection selection =
            document.getSelection(page, in_text(near, start, false), in_text(near, end, true));
        thread->reply([self, page, text = with_linux_line_ends(selection.text()),
                       bounds = selection.bounds()] {
            if (self)
                self->take_selection(page, text, bounds, false);
        });
    });
}

void page_view::take_selection(int page, QString text, QList<QPolygonF> bounds, bool whole_page) {
    selection_asked_ = false;
    if (page != selection_page_)
        return;
    selection_bounds_ = std::move(bounds);
    selection_text_ = std::move(text);
    viewport()->update();
    if (!whole_page && selection_waiting_) {
        const QPointF end = *std::exchange(selection_waiting_, std::nullopt);
        request_selection(end);
        return;
    }
    if (std::exchange(primary_waiting_, false) && !selection_text_.isEmpty())
        QApplication::clipboard()->setText(selection_text_, QClipboard::Selection);
    if (std::exchange(copy_waiting_, false))
        copy_selection();
    emit selection_changed();
}

void page_view::clear_selection() {
    selection_page_ = -1;
    selection_bounds_.clear();
    selection_text_.clear();
    selection_waiting_.reset();
    primary_waiting_ = false;
    viewport()->update();
}

void page_view::copy_selection() {
    if (selection_asked_) {
        copy_waiting_ = true; // once the selection is known
        return;
    }
    if (!selection_text_.isEmpty()) {
        QApplication::clipboard()->setText(selection_text_);
        return;
    }
    // Nothing selected: the current page's text.
    const int page = current_page();
    if (page < 0)
        return;
    select_page_text(page);
    copy_waiting_ = true;
}

page_spot page_view::spot_at(QPoint viewport_position) const {
    if (!spots_ || !document_)
        return {};
    const auto [page, point] = from_viewport(viewport_position);
    return page >= 0 ? spots_(page, point) : page_spot{};
}

void page_view::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    // Tab and shortcuts show where the keyboard is, a click hides it; the focus
    // given back by the program (a window activated, a popup or a panel closed,
    // the start) leaves the ring as the last use left it.
    switch (e->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        focus_from_mouse_ = false;
        break;
    case Qt::MouseFocusReason:
        focus_from_mouse_ = true;
        break;
    default:
        break;
    }
    viewport()->update();
}

void page_view::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

void page_view::paint_focus_ring(QPainter& painter) const {
    if (!hasFocus() || focus_from_mouse_)
        return;
    // A ring round the pages, lined in white so that it shows on the grey too.
    painter.save();
    painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
    painter.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(QRectF(viewport()->rect()).adjusted(2.5, 2.5, -2.5, -2.5));
    painter.restore();
}

void page_view::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (!focus_from_mouse_) {
        focus_from_mouse_ = true; // the mouse is in use here: no ring over the page
        viewport()->update();
    }
    if (e->button() != Qt::LeftButton || !document_ || page_count() == 0)
        return QAbstractScrollArea::mousePressEvent(e);
    const QPoint at = e->position().toPoint();
    clear_selection();
    press_position_ = at;
    // A press on a link follows it on release; anywhere else it starts a selection,
    // also in a margin: from the nearest text of the page then.
    press_on_link_ = spot_at(at).clickable;
    selecting_ = !press_on_link_;
    const auto [page, point] = selection_point(e->position());
    selection_page_ = page;
    selection_start_ = point;
    selection_lines_.reset();
    pdf_thread* thread = document_->thread();
    if (!selecting_ || !thread)
        return;
    // The page's lines of text, read on the pdf thread ahead of the selection
    // jobs that follow (this side never reads them).
    auto lines = std::make_shared<selection_lines>();
    selection_lines_ = lines;
    thread->post(*document_, pdf_priority::interactive,
                 [lines, page](QPdfDocument& document) { lines->of(document, page); });
}

void page_view::mouseMoveEvent(QMouseEvent* e) {
    if (!selecting_) {
        const bool hand =
            !(e->buttons() & Qt::LeftButton) && spot_at(e->position().toPoint()).clickable;
        if (hand)
            viewport()->setCursor(Qt::PointingHandCursor);
        else
            viewport()->unsetCursor();
        return QAbstractScrollArea::mouseMoveEvent(e);
    }
    // ... and end in one, or beyond the page: up to the page's nearest text.
    request_selection(selection_point(e->position(), selection_page_).second);
}

void page_view::mouseReleaseEvent(QMouseEvent* e) {
    selecting_ = false;
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton && press_on_link_) {
        press_on_link_ = false;
        // A click, not a drag: the pointer stayed where it went down.
        if ((at - press_position_).manhattanLength() <= QApplication::startDragDistance() &&
            spot_at(at).clickable) {
            const auto [page, point] = from_viewport(at);
            emit spot_clicked(page, point);
        }
        return;
    }
    if (selection_asked_ || selection_waiting_)
        primary_waiting_ = true; // the X selection gets the text once it comes
    else if (!selection_text_.isEmpty())
        QApplication::clipboard()->setText(selection_text_, QClipboard::Selection);
    QAbstractScrollArea::mouseReleaseEvent(e);
}

bool page_view::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(e);
        const QString tip = spot_at(help->pos()).tooltip;
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), literal_rich_text(tip), viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

} // namespace krv
