// The pages' context menu, asked for with the right button, the Menu key or
// Shift+F10: copy the selection, select the page's text, search the selection
// in the shown document through the search bar, the pages in reversed colours.
#pragma once

#include <QPoint>

namespace krv {

class page_view;
class shown_search;

/// Shows the menu at a point of the screen; it goes once closed.
void show_page_menu(page_view& view, shown_search& search, QPoint global_position);

/// The menu's search entry for a selection: "Rechercher « mot »", a long
/// selection cut with "…", its & kept from becoming a shortcut.
QString search_entry_text(const QString& selection);

} // namespace krv
