#include "page_accessible.h"

#include "page_view.h"
#include "spoken_page.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <algorithm>

namespace krv {

namespace {

class page_accessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit page_accessible(page_view* view)
        : QAccessibleWidget(view, QAccessible::Document), spoken_(new spoken_page(view)) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The selection is the reader's: one at most, on the page spoken.
    void selection(int index, int* start, int* end) const override {
        const text_selection& s = view()->selection();
        const bool here = index == 0 && selectionCount() == 1;
        *start = here ? s.start_index() : 0;
        *end = here ? std::min(s.end_index(), characterCount()) : 0;
    }
    int selectionCount() const override {
        const text_selection& s = view()->selection();
        return spoken_ && s.page() == spoken_->page() && s.end_index() > s.start_index() ? 1 : 0;
    }
    // Selecting is the reader's own (the mouse, Ctrl+A): not done from outside.
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}

    // No caret on a page: the place a screen reader's review has come to.
    int cursorPosition() const override { return std::clamp(cursor_, 0, characterCount()); }
    void setCursorPosition(int position) override { cursor_ = position; }

    QString text(int start, int end) const override {
        const QString& all = page_text();
        start = std::clamp(start, 0, static_cast<int>(all.size()));
        end = end < 0 ? static_cast<int>(all.size()) : std::clamp(end, start, int(all.size()));
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(page_text().size()); }

    QRect characterRect(int offset) const override {
        if (!spoken_ || spoken_->box(offset).isNull())
            return {};
        const QRectF box = spoken_->box(offset);
        const int page = spoken_->page();
        const QPointF top_left = view()->to_viewport(page, box.topLeft());
        const QPointF bottom_right = view()->to_viewport(page, box.bottomRight());
        const QRect on_viewport = QRectF(top_left, bottom_right).toAlignedRect();
        return {view()->viewport()->mapToGlobal(on_viewport.topLeft()), on_viewport.size()};
    }
    int offsetAtPoint(const QPoint& point) const override {
        if (!spoken_)
            return -1;
        const auto [page, at] = view()->from_viewport(view()->viewport()->mapFromGlobal(point));
        return page >= 0 && page == spoken_->page() ? spoken_->offset_at(at) : -1;
    }

    void scrollToSubstring(int start, int end) override {
        if (!spoken_ || start < 0 || end <= start)
            return;
        QRectF area;
        for (int i = start; i < end; ++i)
            area = area.united(spoken_->box(i));
        view()->ensure_visible(spoken_->page(), area);
    }
    QString attributes(int offset, int* start, int* end) const override {
        // One run of the page's plain text: no attributes.
        *start = offset < characterCount() ? 0 : offset;
        *end = offset < characterCount() ? characterCount() : offset;
        return {};
    }

private:
    page_view* view() const { return static_cast<page_view*>(widget()); }
    const QString& page_text() const {
        static const QString none;
        return spoken_ ? spoken_->text() : none;
    }

    QPointer<spoken_page> spoken_;
    int cursor_ = 0;
};

QAccessibleInterface* factory(const QString& key, QObject* object) {
    // Only the first question, the most derived class's, as Qt asks it.
    if (auto* view = qobject_cast<page_view*>(object);
        view && key == QLatin1String(object->metaObject()->className()))
        return new page_accessible(view);
    return nullptr;
}

} // namespace

void install_page_accessibility() {
    QAccessible::installFactory(factory);
}

} // namespace krv
