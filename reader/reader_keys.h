// The keys the reader answers whichever window of the program they are typed
// in: its own (search, print, F3, Ctrl+G, Alt+Left and Alt+Right, Ctrl+I for
// reversed colours), Tab, Shift+Tab and Enter through the page's links, and the
// reading keys typed in another window, which has nothing to scroll. A long
// manual takes a moment to open, and the display waits a quarter of a second by
// design: keys typed meanwhile are kept by the session and applied once the
// document shows, in the order they came (Ctrl+F opens the search bar at once).
#pragma once

#include "document_session.h"
#include "toolbars.h"

#include <functional>

class QKeyEvent;

namespace krv {

class folder_binding;
class navigation_binding;
class page_view;
class shown_search;

class reader_keys {
public:
    /// The parts of the reader the keys act on; `go_to_page` goes to a page
    /// number (from 1), as the page field does.
    struct parts {
        document_session& session;
        page_view& view;
        const reader_toolbar& toolbar;
        shown_search& search;
        folder_binding& folder;
        navigation_binding& navigation;
        std::function<void(int)> go_to_page;
    };
    explicit reader_keys(parts p) : p_(std::move(p)) {}

    /// True when the key was used and must go no further.
    bool handle(const QKeyEvent* key, key_origin origin);
    /// Once the document shows: the page number, the keys and the search asked
    /// for while it opened (search_asked: Enter was pressed in the search bar).
    void catch_up(bool search_asked);

private:
    bool handle_while_opening(const QKeyEvent* key, key_origin origin);
    /// Tab, Shift+Tab and Enter over the pages: their links by keyboard.
    bool link_key(const QKeyEvent* key);
    /// Ctrl+G: the page number is typed into the toolbar's field, from either window.
    void focus_page_field();

    parts p_;
};

} // namespace krv
