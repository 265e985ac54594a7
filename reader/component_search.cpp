// The component's search (Ctrl+F, F3, Shift+F3) and the keys the reader answers
// whichever window of the program they are typed in (Alt+Left and Alt+Right too).
#include "pdf_component.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace krv {

namespace {

// Reading keys: typed in another window, they are sent on to the pages.
bool is_reading_key(const QKeyEvent* key) {
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Space:
        return !ctrl;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
    case Qt::Key_A:
    case Qt::Key_C:
        return ctrl;
    default:
        return false;
    }
}

// Keys that edit the search field.
bool is_typing_key(const QKeyEvent* key) {
    const bool typing = !key->text().isEmpty() && key->text()[0].isPrint() &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    return typing || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
           key->key() == Qt::Key_Backspace;
}

// Sends a copy of a key press to another widget; true, as the original is then swallowed.
bool forward_key(QWidget* to, const QKeyEvent* key) {
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                   static_cast<quint16>(key->count()));
    QCoreApplication::sendEvent(to, &copy);
    return true;
}

} // namespace

void pdf_component::connect_search_bar() {
    const reader_search_bar& s = search_bar_;
    connect(s.field, &QLineEdit::returnPressed, this, [this] { find(search_bar_.field->text()); });
    connect(s.next, &QToolButton::clicked, this, &pdf_component::find_next);
    connect(s.previous, &QToolButton::clicked, this, &pdf_component::find_previous);
    connect(s.close, &QToolButton::clicked, this, &pdf_component::close_search);
    view_->set_highlight_source([this](int page) {
        std::vector<page_highlight> marks;
        if (!search_)
            return marks;
        const auto first = std::lower_bound(hits_.begin(), hits_.end(), page,
                                            [](const search_hit& h, int p) { return h.page < p; });
        for (auto it = first; it != hits_.end() && it->page == page; ++it)
            for (const QRectF& r : search_->rectangles(*it))
                marks.push_back({r, it - hits_.begin() == current_hit_});
        return marks;
    });
}

bool pdf_component::search_open() const {
    return search_bar_.bar && search_bar_.bar->isVisible();
}

void pdf_component::open_search() {
    if (!shown_)
        return;
    search_bar_.bar->show();
    window()->activateWindow();
    search_bar_.field->setFocus();
    search_bar_.field->selectAll();
}

void pdf_component::close_search() {
    if (!reader_)
        return;
    const bool had_focus = search_bar_.field->hasFocus();
    search_bar_.bar->hide();
    hits_.clear();
    current_hit_ = -1;
    searched_.clear();
    search_bar_.status->clear();
    view_->viewport()->update();
    if (had_focus)
        view_->setFocus();
}

void pdf_component::find(const QString& text) {
    if (!shown_)
        return;
    if (text == searched_ && !hits_.empty()) {
        find_next();
        return;
    }
    if (!search_)
        search_ = std::make_unique<text_search>(shown_.get());
    searched_ = text;
    hits_ = search_->find(text);
    current_hit_ = -1;
    if (!hits_.empty()) {
        // The first hit from the page being read on, wrapping round.
        const int from = std::max(0, view_->current_page());
        const auto at = std::find_if(hits_.begin(), hits_.end(),
                                     [from](const search_hit& h) { return h.page >= from; });
        current_hit_ = at == hits_.end() ? 0 : static_cast<int>(at - hits_.begin());
    }
    update_hits_view();
}

void pdf_component::find_next() {
    if (hits_.empty()) {
        const QString text = search_bar_.field->text();
        if (!text.isEmpty() && text != searched_)
            find(text);
        return;
    }
    current_hit_ = (current_hit_ + 1) % hit_count();
    update_hits_view();
}

void pdf_component::find_previous() {
    if (hits_.empty())
        return;
    current_hit_ = (current_hit_ - 1 + hit_count()) % hit_count();
    update_hits_view();
}

QString pdf_component::search_status() const {
    return search_bar_.status->text();
}

void pdf_component::update_hits_view() {
    if (searched_.trimmed().isEmpty())
        search_bar_.status->clear();
    else if (hits_.empty())
        search_bar_.status->setText(QStringLiteral("Aucun résultat"));
    else
        search_bar_.status->setText(
            QStringLiteral("%1 sur %2").arg(current_hit_ + 1).arg(hit_count()));
    if (current_hit_ >= 0) {
        const search_hit& hit = hits_[static_cast<std::size_t>(current_hit_)];
        QRectF where;
        for (const QRectF& r : search_->rectangles(hit))
            where = where.isNull() ? r : where.united(r);
        view_->ensure_visible(hit.page, where);
    }
    view_->viewport()->update();
    update_toolbar();
}

bool pdf_component::handle_key(const QKeyEvent* key, key_origin origin) {
    if (key->key() == Qt::Key_Escape && search_open()) {
        close_search();
        return true;
    }
    if (!shown_)
        return false;
    // The toolbar's keys, whichever window they are typed in.
    if (QToolButton* tool = tool_for_key(toolbar_, key)) {
        if (tool->isHidden() || !tool->isEnabled())
            return false;
        tool->click();
        return true;
    }
    if (is_page_field_key(key)) {
        window()->activateWindow();
        toolbar_.page_field->setFocus(Qt::ShortcutFocusReason);
        toolbar_.page_field->selectAll();
        return true;
    }
    // Back and forth between the places links and the outline led to, as in a browser.
    const bool alt_only = (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
    if (alt_only && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
        if (key->key() == Qt::Key_Left)
            go_back();
        else
            go_forward();
        return true;
    }
    if (key->key() == Qt::Key_F3) {
        if (key->modifiers() & Qt::ShiftModifier)
            find_previous();
        else
            find_next();
        return true;
    }
    if (origin == key_origin::reader_window)
        return false;
    // Just after Ctrl+F typed in another window, the focus may not have moved yet:
    // what is typed there belongs to the search.
    if (search_open() && is_typing_key(key))
        return forward_key(search_bar_.field, key);
    // The other windows have nothing to scroll: their reading keys go to the pages.
    if (is_reading_key(key))
        return forward_key(view_, key);
    return false;
}

} // namespace krv
