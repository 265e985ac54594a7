// What the reader does with the keyboard and the mouse over the pages: scrolling
// keys, zoom keys and Ctrl+wheel, selecting text to copy, the links and notes
// under the pointer (hand, tooltip, click), and where the keyboard focus is.
#include "page_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

// Text as Linux programs expect it: lines end with a line feed, not CR-LF.
QString with_linux_line_ends(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
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
        go_to_page(page_count() - 1);
        v->setValue(v->maximum());
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

void page_view::select_page_text(int page) {
    if (!document_ || page < 0)
        return;
    const QPdfSelection all = document_->getAllText(page);
    selection_page_ = page;
    selection_bounds_ = all.bounds();
    selection_text_ = with_linux_line_ends(all.text());
    viewport()->update();
}

void page_view::clear_selection() {
    selection_page_ = -1;
    selection_bounds_.clear();
    selection_text_.clear();
    viewport()->update();
}

void page_view::copy_selection() const {
    QString text = selection_text_;
    if (text.isEmpty() && document_ && current_page() >= 0)
        text = with_linux_line_ends(document_->getAllText(current_page()).text());
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

page_spot page_view::spot_at(QPoint viewport_position) const {
    if (!spots_ || !document_)
        return {};
    const auto [page, point] = from_viewport(viewport_position);
    return page >= 0 ? spots_(page, point) : page_spot{};
}

void page_view::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        focus_from_mouse_ = e->reason() == Qt::MouseFocusReason;
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
    selection_lines_.clear();
    if (selecting_)
        for (const QPolygonF& line : document_->getAllText(page).bounds())
            selection_lines_.push_back(line.boundingRect());
    std::sort(selection_lines_.begin(), selection_lines_.end(),
              [](const QRectF& a, const QRectF& b) { return a.top() < b.top(); });
    selection_start_ = in_text(point, false);
}

QPointF page_view::in_text(QPointF point, bool end) const {
    if (selection_lines_.empty())
        return point;
    auto start_of = [](const QRectF& line) {
        return QPointF(line.left() + 0.5, line.center().y());
    };
    auto end_of = [](const QRectF& line) { return QPointF(line.right() - 0.5, line.center().y()); };
    for (const QRectF& line : selection_lines_) {
        if (point.y() < line.top()) // above this line, below the one before: between them
            return end ? (&line == &selection_lines_.front() ? start_of(line)
                                                             : end_of(*(&line - 1)))
                       : start_of(line);
        if (point.y() <= line.bottom()) {
            if (point.x() < line.left())
                return start_of(line);
            if (point.x() > line.right())
                return end_of(line);
            return point;
        }
    }
    return end_of(selection_lines_.back()); // below every line
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
    const QPointF end = in_text(selection_point(e->position(), selection_page_).second, true);
    const QPdfSelection selection = document_->getSelection(selection_page_, selection_start_, end);
    selection_bounds_ = selection.bounds();
    selection_text_ = with_linux_line_ends(selection.text());
    viewport()->update();
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
    if (!selection_text_.isEmpty())
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
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

} // namespace krv
