#include "reader_keys.h"

#include "folder_binding.h"
#include "navigation_binding.h"
#include "page_view.h"
#include "shown_search.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace krv {

namespace {

bool is_alt_arrow(const QKeyEvent* key) {
    return (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier &&
           (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right);
}

// Ctrl+I: the pages in reversed colours ("inverser"), and back.
bool is_inverting_key(const QKeyEvent* key) {
    return key->key() == Qt::Key_I &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

bool is_folder_search_key(const QKeyEvent* key) {
    return key->key() == Qt::Key_F &&
           (key->modifiers() & ~Qt::KeypadModifier) == (Qt::ControlModifier | Qt::ShiftModifier);
}

} // namespace

bool reader_keys::handle(const QKeyEvent* key, key_origin origin) {
    if (key->key() == Qt::Key_Escape && (p_.search.is_open() || p_.folder.results_shown())) {
        p_.search.close_every_search();
        return true;
    }
    // The folder is searched whether a document shows, opens, or could not be opened.
    if (is_folder_search_key(key)) {
        p_.search.open_for_folder();
        return true;
    }
    if (!p_.session.document())
        return handle_while_opening(key, origin);
    // The toolbar's keys, whichever window they are typed in.
    if (QToolButton* tool = tool_for_key(p_.toolbar, key)) {
        if (tool->isHidden() || !tool->isEnabled())
            return false;
        tool->click();
        return true;
    }
    if (is_page_field_key(key)) {
        focus_page_field();
        return true;
    }
    // Back and forth between the places links and the outline led to, as in a browser.
    if (is_alt_arrow(key)) {
        if (key->key() == Qt::Key_Left)
            p_.navigation.go_back();
        else
            p_.navigation.go_forward();
        return true;
    }
    if (is_inverting_key(key)) {
        p_.view.set_inverted(!p_.view.inverted());
        return true;
    }
    if (key->key() == Qt::Key_F3) {
        if (key->modifiers() & Qt::ShiftModifier)
            p_.search.find_previous();
        else
            p_.search.find_next();
        return true;
    }
    if (origin == key_origin::reader_window)
        return link_key(key);
    // Just after Ctrl+F typed in another window, the focus may not have moved yet:
    // what is typed there belongs to the search.
    if (p_.search.is_open() && is_typing_key(key))
        return forward_key(p_.search.field(), key);
    // The other windows have nothing to scroll: their reading keys go to the pages.
    if (is_reading_key(key))
        return forward_key(&p_.view, key);
    return false;
}

bool reader_keys::link_key(const QKeyEvent* key) {
    if (QApplication::focusWidget() != &p_.view)
        return false;
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    // Tab and Shift+Tab go through the page's links before leaving the pages.
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && !(held & ~Qt::ShiftModifier))
        return p_.view.focus_next_link(key->key() == Qt::Key_Tab && !(held & Qt::ShiftModifier));
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && held == Qt::NoModifier)
        return p_.view.follow_focused_link();
    return false;
}

bool reader_keys::handle_while_opening(const QKeyEvent* key, key_origin origin) {
    // Just after Ctrl+F typed in another window, the focus may not have moved yet.
    if (origin == key_origin::other_window && p_.search.is_open() && is_typing_key(key))
        return forward_key(p_.search.field(), key);
    if (!p_.session.coming())
        return false;
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_F && held == Qt::ControlModifier) {
        p_.search.open();
        return true;
    }
    if (is_page_field_key(key)) {
        focus_page_field();
        return true;
    }
    // A field with the focus (the search, the page number) takes its own keys.
    if (qobject_cast<QLineEdit*>(QApplication::focusWidget()))
        return false;
    if (!is_reading_key(key) && !tool_for_key(p_.toolbar, key) && key->key() != Qt::Key_F3 &&
        !is_alt_arrow(key) && !is_inverting_key(key))
        return false;
    p_.session.keep_key(*key, origin);
    return true;
}

void reader_keys::catch_up(bool search_asked) {
    if (const int page = p_.session.take_page(); page > 0)
        p_.go_to_page(page);
    for (const waiting_key& k : p_.session.take_keys()) {
        const QKeyEvent key(QEvent::KeyPress, k.key, k.modifiers, k.text);
        if (!handle(&key, k.origin) && is_reading_key(&key))
            forward_key(&p_.view, &key);
    }
    p_.search.catch_up(search_asked);
}

void reader_keys::focus_page_field() {
    p_.toolbar.page_field->window()->activateWindow();
    p_.toolbar.page_field->setFocus(Qt::ShortcutFocusReason);
    p_.toolbar.page_field->selectAll();
}

} // namespace krv
