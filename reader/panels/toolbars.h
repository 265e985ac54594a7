// The reader's two thin bars: the toolbar (pages, zoom, search, print, outline)
// and the search bar that Ctrl+F shows under it. Built here, wired by the component.
// Every tool has a key, named in its tooltip.
#pragma once

#include <QString>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

namespace krv {

struct reader_toolbar {
    QWidget* bar = nullptr;
    QToolButton* previous = nullptr;
    QToolButton* next = nullptr;
    QLineEdit* page_field = nullptr;
    QLabel* page_total = nullptr;
    QToolButton* zoom_out = nullptr;
    QLabel* zoom_label = nullptr;
    QToolButton* zoom_in = nullptr;
    QToolButton* fit_width = nullptr;
    QToolButton* fit_page = nullptr;
    QToolButton* search = nullptr;
    QToolButton* print = nullptr;
    QToolButton* preview = nullptr;
    QToolButton* outline = nullptr; ///< checkable; shown only for a document with an outline
    QToolButton* back = nullptr;    ///< to the place before the last link or outline jump
    QToolButton* forward = nullptr; ///< and forth again
};

struct reader_search_bar {
    QWidget* bar = nullptr;
    QLineEdit* field = nullptr;
    QToolButton* previous = nullptr;
    QToolButton* next = nullptr;
    QLabel* status = nullptr;
    QToolButton* close = nullptr;
    QToolButton* every_document = nullptr; ///< checked: the search looks in every document
};

/// The toolbar, as a child of `parent`.
reader_toolbar make_toolbar(QWidget* parent);

/// The search bar, hidden, as a child of `parent`.
reader_search_bar make_search_bar(QWidget* parent);

/// Shows a value in one of the bars' labels (a count, the zoom, the search's
/// state), and tells assistive tools that what it shows changed.
void show_value(QLabel* label, const QString& text);

/// A small flat button with a picture and a tooltip, which the keyboard never focuses
/// (its key does what it does). `tip` names it; the tooltip adds `key`, when given.
QToolButton* make_tool_button(QWidget* parent, const QString& picture, const QString& tip,
                              const QString& key = {});

/// The tool of the toolbar that a key stands for, or nullptr.
QToolButton* tool_for_key(const reader_toolbar& toolbar, const QKeyEvent* key);

/// Shows the page being read: the field's text (elided to the field's width when
/// the user is not typing there) and the count after it.
void show_page_position(const reader_toolbar& toolbar, const QString& field, const QString& total);

/// What the user asks for in the page field: its text, or `label` whole when the
/// field still shows it elided.
QString typed_page(const reader_toolbar& toolbar, const QString& label);

/// Says by the page field that its entry leads nowhere; the entry stays selected there.
void say_by_page_field(const reader_toolbar& toolbar, const QString& text);

/// Whether a key is the one that goes to the page field (Ctrl+G).
bool is_page_field_key(const QKeyEvent* key);

/// Whether a key scrolls, zooms, selects or copies the pages (arrows, Page Up and
/// Down, Home, End, Space; Ctrl with +, -, A, C).
bool is_reading_key(const QKeyEvent* key);

/// Whether a key edits a text field (a printable character, Enter, Backspace).
bool is_typing_key(const QKeyEvent* key);

/// Sends a copy of a key press to a widget; true, as the original is then swallowed.
bool forward_key(QWidget* to, const QKeyEvent* key);

} // namespace krv
