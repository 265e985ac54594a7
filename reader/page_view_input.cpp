// What the reader does with the keyboard and the mouse over the pages: scrolling
// keys, zoom keys and Ctrl+wheel, selecting text to copy, and the links and
// notes under the pointer (hand, tooltip, click).
#include "page_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPdfDocument>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>

namespace krv {

void page_view::keyPressEvent(QKeyEvent* e) {
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
    selection_text_ = all.text();
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
        text = document_->getAllText(current_page()).text();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

page_spot page_view::spot_at(QPoint viewport_position) const {
    if (!spots_ || !document_)
        return {};
    const auto [page, point] = from_viewport(viewport_position);
    return page >= 0 ? spots_(page, point) : page_spot{};
}

void page_view::mousePressEvent(QMouseEvent* e) {
    setFocus();
    if (e->button() != Qt::LeftButton || !document_)
        return QAbstractScrollArea::mousePressEvent(e);
    const QPoint at = e->position().toPoint();
    const auto [page, point] = from_viewport(at);
    clear_selection();
    press_position_ = at;
    // A press on a link follows it on release; anywhere else it starts a selection.
    press_on_link_ = spot_at(at).clickable;
    selecting_ = page >= 0 && !press_on_link_;
    selection_page_ = page;
    selection_start_ = point;
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
    const QPointF origin = to_viewport(selection_page_, {0, 0});
    const QPointF end = (e->position() - origin) / scale_;
    const QPdfSelection selection = document_->getSelection(selection_page_, selection_start_, end);
    selection_bounds_ = selection.bounds();
    selection_text_ = selection.text();
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
