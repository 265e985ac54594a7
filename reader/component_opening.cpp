// Keys typed while a document opens. A long manual takes a moment to open, and
// the display waits a quarter of a second by design: Ctrl+F opens the search bar
// at once, and the word typed there (Enter included) is searched in the document
// as soon as it shows; a page number given meanwhile, and the reading keys (End,
// Page Down, Ctrl++...), are kept and applied then, in the order they came.
#include "pdf_component.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace krv {

bool pdf_component::handle_key_while_opening(const QKeyEvent* key, key_origin origin) {
    if (!reader_ || !session_->coming())
        return false;
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_F && held == Qt::ControlModifier) {
        open_search();
        return true;
    }
    if (key->key() == Qt::Key_F && held == (Qt::ControlModifier | Qt::ShiftModifier)) {
        open_folder_search();
        return true;
    }
    if (is_page_field_key(key)) {
        focus_page_field();
        return true;
    }
    // Just after Ctrl+F typed in another window, the focus may not have moved yet.
    if (origin == key_origin::other_window && search_open() && is_typing_key(key))
        return forward_key(search_bar_.field, key);
    // A field with the focus (the search, the page number) takes its own keys.
    if (qobject_cast<QLineEdit*>(QApplication::focusWidget()))
        return false;
    const bool alt_arrow =
        held == Qt::AltModifier && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right);
    if (!is_reading_key(key) && !tool_for_key(toolbar_, key) && key->key() != Qt::Key_F3 &&
        !alt_arrow)
        return false;
    session_->keep_key(*key, origin);
    return true;
}

bool pdf_component::search_before_showing() {
    const bool keep = std::exchange(search_for_coming_, false) && search_open();
    const bool asked = keep && (std::exchange(find_waiting_, false) || !searched_.isEmpty());
    if (keep)
        drop_search();
    else
        close_search();
    return asked;
}

void pdf_component::catch_up_with_keys(bool search_asked) {
    if (const int page = session_->take_page(); page > 0)
        go_to_page_number(page);
    for (const waiting_key& k : session_->take_keys()) {
        const QKeyEvent key(QEvent::KeyPress, k.key, k.modifiers, k.text);
        if (!handle_key(&key, k.origin) && is_reading_key(&key))
            forward_key(view_, &key);
    }
    // A place's own search (#search=) goes first.
    if (search_asked && searched_.isEmpty() && !searching_every_document())
        find(search_bar_.field->text());
}

} // namespace krv
