// A list or a tree that takes the keyboard focus tells screen readers which of
// its rows is current: Qt 6.4 says so only when the row changes, so that Orca
// heard "Documentations disponibles, List with 5 items" and never which one
// Enter would open.
#pragma once

namespace krv {

/// Every list and tree of the application, as it takes the focus, says its
/// current row as the object with the focus; call once the application exists.
void install_current_row_focus();

} // namespace krv
