// Where the reader left each document of the run, so that a document chosen
// again opens there: the page, the place on it and the zoom. Kept in memory
// only (the help writes nothing but the exchange file), for the last documents
// read; the oldest goes first.
#pragma once

#include "page_view.h"

#include <QPointF>
#include <QString>

#include <cstddef>
#include <list>
#include <optional>
#include <utility>

namespace krv {

/// A document as the reader left it.
struct left_place {
    int page = 0;
    QPointF point; ///< of the page, at the view's top-left corner, in points
    page_view::zoom_mode mode = page_view::zoom_mode::fit_width;
    double zoom = 1; ///< with zoom_mode::factor
};

class left_places {
public:
    static constexpr std::size_t kept = 50;

    /// Where the document at `path` was left (replaces what was known of it).
    void remember(const QString& path, const left_place& place);
    /// Where the document at `path` was left; nothing when it was not read in this run.
    std::optional<left_place> find(const QString& path) const;

private:
    std::list<std::pair<QString, left_place>> places_; ///< the latest first
};

/// Where a view leaves its document now.
left_place place_left_in(const page_view& view);
/// Shows a view's document where it was left, at the zoom it was read at.
void go_back_to(page_view& view, const left_place& place);

} // namespace krv
