#include "current_row_focus.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QTimer>
#include <QTreeView>

namespace krv {

namespace {

// The row as the view shows it, counted from the top: a tree's rows are numbered
// through its open branches.
int shown_row(const QAbstractItemView* view, const QModelIndex& index) {
    const auto* tree = qobject_cast<const QTreeView*>(view);
    if (!tree)
        return index.row();
    int row = 0;
    for (QModelIndex above = tree->indexAbove(index); above.isValid();
         above = tree->indexAbove(above))
        ++row;
    return row;
}

// Said as the object with the focus, when an assistive tool listens.
void tell_current_row(QAbstractItemView* view) {
    const QModelIndex current = view->currentIndex();
    if (!current.isValid() || !QAccessible::isActive())
        return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    QAccessibleTableInterface* table = list ? list->tableInterface() : nullptr;
    QAccessibleInterface* row =
        table ? table->cellAt(shown_row(view, current), current.column()) : nullptr;
    const int child = row ? list->indexOfChild(row) : -1;
    if (child < 0)
        return;
    QAccessibleEvent focus(view, QAccessible::Focus);
    focus.setChild(child);
    QAccessible::updateAccessibility(&focus);
}

class focus_watch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::FocusIn && QAccessible::isActive())
            if (auto* view = qobject_cast<QAbstractItemView*>(watched))
                // After the view's own focus event, which Qt sends once the
                // focus has moved: the row must be what the reader hears last.
                QTimer::singleShot(0, view, [view] {
                    if (view->hasFocus())
                        tell_current_row(view);
                });
        return false;
    }
};

} // namespace

void install_current_row_focus() {
    qApp->installEventFilter(new focus_watch(qApp));
}

} // namespace krv
