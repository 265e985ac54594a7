// What the reader does with the keyboard and the mouse over the pages: scrolling
// keys, zoom keys and Ctrl+wheel, selecting text to copy (a drag, a double click
// for a word, a triple click for a line), the middle button's drag, the links
// and notes under the pointer (hand, tooltip, click), the menu asked for, and
// where the keyboard focus is (the links by keyboard: page_view_links.cpp).
#include "page_view.h"

#include "text.h"

#include <QApplication>
#include <QContextMenuEvent>
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
    if (e->key() == Qt::Key_Menu ||
        (e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier)) {
        emit menu_requested(viewport()->mapToGlobal(menu_position()));
        return;
    }
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
    case Qt::ShortcutFocusReason:
        focus_from_mouse_ = false;
        break;
    case Qt::BacktabFocusReason:
        focus_from_mouse_ = false;
        // Shift+Tab comes back through the links from the last.
        focus_link(static_cast<int>(links_here().size()) - 1);
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
    // Gone elsewhere, not only for a while (another window, a menu): off the link.
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        focus_link(-1);
    viewport()->update();
}

void page_view::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    focus_link(-1);
    if (!focus_from_mouse_) {
        focus_from_mouse_ = true; // the mouse is in use here: no ring over the page
        viewport()->update();
    }
    if (e->button() == Qt::MiddleButton && document_) {
        pan_from_ = e->globalPosition().toPoint();
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (e->button() != Qt::LeftButton || !document_ || page_count() == 0)
        return QAbstractScrollArea::mousePressEvent(e);
    press_position_ = e->position().toPoint();
    // A third press soon after a double click, close by: the line.
    if (e->timestamp() - double_click_time_ <= ulong(QApplication::doubleClickInterval()) &&
        (press_position_ - double_click_position_).manhattanLength() <=
            QApplication::startDragDistance()) {
        double_click_time_ = 0;
        selecting_ = false;
        const auto [page, point] = from_viewport(press_position_);
        return selection_->select_at(page, point, text_unit::line);
    }
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
    if (pan_from_) {
        const QPoint now = e->globalPosition().toPoint();
        const QPoint moved = now - *std::exchange(pan_from_, now);
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - moved.x());
        verticalScrollBar()->setValue(verticalScrollBar()->value() - moved.y());
        return;
    }
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
    if (e->button() == Qt::MiddleButton && pan_from_) {
        pan_from_.reset();
        viewport()->unsetCursor();
        return;
    }
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

void page_view::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !document_ || press_on_link_)
        return QAbstractScrollArea::mouseDoubleClickEvent(e);
    selecting_ = false; // the word stays selected whatever the pointer does till the release
    double_click_time_ = e->timestamp();
    double_click_position_ = e->position().toPoint();
    const auto [page, point] = from_viewport(double_click_position_);
    selection_->select_at(page, point, text_unit::word);
}

void page_view::contextMenuEvent(QContextMenuEvent* e) {
    const bool by_mouse = e->reason() == QContextMenuEvent::Mouse;
    emit menu_requested(by_mouse ? e->globalPos() : viewport()->mapToGlobal(menu_position()));
    e->accept();
}

QPoint page_view::menu_position() const {
    const QRect shown = viewport()->rect();
    if (selection_->page() >= 0 && !selection_->bounds().isEmpty()) {
        const QRectF first = selection_->bounds().first().boundingRect();
        const QPoint under = to_viewport(selection_->page(), first.bottomLeft()).toPoint();
        if (shown.contains(under))
            return under;
    }
    return shown.center();
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
