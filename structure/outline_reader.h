// Reads /Root /Outlines into a plain tree: without recursion, within bounds, and
// stopping at loops by object identity. Titles only: an entry's destination is
// resolved when it is clicked (link_reader::outline_action), because resolving
// named destinations touches objects all over the file (seconds and hundreds of
// megabytes on a large manual). Neither Qt's bookmark model (it hangs, crashes
// and leaks on malformed outlines) nor qpdf's outline helper (it cuts at depth 50
// silently and repeats entries on a /First that leads back) is used.
#pragma once

#include "failure.h"
#include "structure_types.h"

#include <cstddef>
#include <functional>

namespace krv {

class structure_document;

struct outline_limits {
    int max_depth = 64;                ///< deeper entries are dropped
    std::size_t max_entries = 100'000; ///< a real manual has a few thousand
    /// Asked between entries: true ends the walk, with what was read so far.
    std::function<bool()> stopped;
};

outcome<outline_tree> read_outline(structure_document& document, outline_limits limits = {});

} // namespace krv
