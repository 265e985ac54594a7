// Links and notes on the pages: what each page offers the pointer, read from the
// structure a page at a time as pages come into view, and what a click on a link
// does. Internal links jump; addresses open only for the web (http, https) and
// mail (mailto); everything else a document could ask for (another scheme, a
// program to launch, another file, a script) is refused with a French reason.
#pragma once

#include "page_view.h"
#include "structure_types.h"

#include <QString>
#include <QUrl>

#include <memory>
#include <unordered_map>

namespace krv {

/// What a click on a link comes to.
struct link_verdict {
    enum class kind { jump, open_url, next_page, previous_page, first_page, last_page, refuse };
    kind what = kind::refuse;
    jump_target target; ///< jump
    QUrl url;           ///< open_url
    QString reason;     ///< refuse: the French text the user reads
};

/// Decides what following a link or an outline entry does.
link_verdict judge_link(const link_action& action);

/// The tooltip of a link: its address, or "Page n".
QString link_tooltip(const link_action& action);

/// The links and notes of the pages read so far, for one document.
class page_links {
public:
    /// Forgets every page (a new document).
    void clear() { pages_.clear(); }
    /// True the first time a page is asked for: the caller then requests it.
    bool needs_request(int page);
    void store(int page, std::shared_ptr<const page_annotations> annotations);
    /// Nothing while the page is being read.
    const page_annotations* find(int page) const;

    /// The link at a point of a page (points), if any; the last drawn wins.
    const page_link* link_at(int page, QPointF point) const;
    /// The pointer's view of a point: link tooltip and hand, or a note's text.
    page_spot spot_at(int page, QPointF point) const;

private:
    std::unordered_map<int, std::shared_ptr<const page_annotations>> pages_;
};

} // namespace krv
