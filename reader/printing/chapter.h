// The chapter being read, as the print dialog offers it: the pages from the
// outline entry that holds the current page to the page before the next entry
// of the same level. In a help manual the chapters are the outline's top
// entries, or the children of its one top entry when it has only one (a manual
// under its own title).
#pragma once

#include "structure_types.h"

#include <QString>

#include <optional>
#include <vector>

namespace krv {

/// Pages from 0, both included.
struct page_span {
    int first = 0;
    int last = 0;
    friend bool operator==(const page_span&, const page_span&) = default;
};

/// The chapter that holds `current_page` (from 0), from the outline's entries in
/// their order with where they lead; pages before the first chapter count as
/// one. Nothing when no entry of the chapters' level leads to a page of the
/// document. Entries may be out of order or lead outside the document.
std::optional<page_span> chapter_pages(const std::vector<outline_mark>& outline, int page_count,
                                       int current_page);

/// The choice "Chapitre courant" as the print dialog shows it.
struct chapter_offer {
    std::optional<page_span> pages; ///< nothing: the choice is disabled
    QString text;                   ///< its caption, with its pages when known
    QString why_not;                ///< when disabled, why (its tooltip)
};

/// The offer for a document's outline marks (nothing while its outline is not
/// read yet; none when it has no outline).
chapter_offer offer_chapter(const std::optional<std::vector<outline_mark>>& outline, int page_count,
                            int current_page);

} // namespace krv
