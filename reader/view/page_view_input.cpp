// What the reader does with the keyboard and the mouse over the pages: scrolling
// keys, zoom keys and Ctrl+wheel, selecting text to copy, the links and notes
// under the pointer (hand, tooltip, click), and where the keyboard focus is.
#include "page_view.h"

#include "text.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>

namespace krv {

void page_view::keyPressEvent(QKeyEvent* e) {
    if (focus_from_mouse_) {
        focus_from_mouse_ = false; // the keyboard is in use: show where it is
        viewport()->update();
    }
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Home:
        return go_to_page(0);
    case Qt::Key_End:
        return go_to_end();
    case Qt::Key_Space:
        return verticalScrollBar()->triggerAction(e->modifiers() & Qt::ShiftModifier
                                                      ? QAbstractSlider::SliderPageStepSub
                                                      : QAbstractSlider::SliderPageStepAdd);
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (ctrl)
            return zoom_in();
        break;
    case Qt::Key_Minus:
        if (ctrl)
            return zoom_out();
        break;
    case Qt::Key_A:
        if (ctrl)
            return select_page_text(current_page());
        break;
    case Qt::Key_C:
        if (ctrl)
            return copy_selection();
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

void page_view::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (!focus_from_mouse_) {
        focus_from_mouse_ = true; // the mouse is in use here: no ring over the page
        viewport()->update();
    }
    if (e->button() != Qt::LeftButton || !document_ || page_count() == 0)
        return QAbstractScrollArea::mousePressEvent(e);
    press_position_ = e->position().toPoint();
    // A press on a link follows it on release; anywhere else it starts a selection,
    // also in a margin: from the nearest text of the page then.
    press_on_link_ = spot_at(press_position_).clickable;
    selecting_ = !press_on_link_;
    if (!selecting_)
        return selection_->clear();
    const auto [page, point] = selection_point(e->position());
    selection_->start(page, point);
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
    selection_->extend(selection_point(e->position(), selection_->page()).second);
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
    selection_->finish();
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
