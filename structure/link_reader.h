// What a page offers the pointer (its links, with their rectangle mapped to the
// page as Qt PDF shows it and their action named, and its notes), and where an
// outline entry leads. One link_reader per document: it keeps the named
// destinations' look-up structures and the page geometries it has read.
#pragma once

#include "destination_resolver.h"
#include "failure.h"
#include "page_geometry.h"
#include "structure_types.h"

#include <cstddef>
#include <optional>
#include <unordered_map>

namespace krv {

class structure_document;

class link_reader {
public:
    /// Never throws: the document is first read by the calls below.
    explicit link_reader(structure_document& document, std::size_t max_annotations = 10'000);

    /// The links and notes of one page; a failure concerns that page only.
    outcome<page_annotations> annotations_of(int page_index);
    /// The action of an outline item read by read_outline.
    outcome<link_action> outline_action(object_id item);
    /// Where a named destination (UTF-8) leads; nothing when the document has no
    /// such name, or it leads to no page of the document.
    outcome<std::optional<jump_target>> named_destination(const std::string& name);
    /// The annotations looked at so far: qpdf keeps each one it parsed (some 4 KB).
    std::size_t annotations_read() const { return annotations_read_; }

private:
    page_annotations read(int page_index);
    link_action action_of(QPDFObjectHandle holder);
    const page_geometry& geometry_of(int page_index);
    destination_resolver& resolver();

    structure_document& document_;
    std::optional<destination_resolver> resolver_; ///< made on first use (it reads the pages)
    std::size_t max_annotations_;
    std::unordered_map<int, page_geometry> geometries_;
    std::size_t annotations_read_ = 0;
};

} // namespace krv
