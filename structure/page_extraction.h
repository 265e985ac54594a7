// Copies some pages of a document into a new, standalone PDF in memory: content
// streams, fonts and pictures are copied as they are, so text stays text and a
// printed range or a file holds only those pages, about their own size.
#pragma once

#include "failure.h"

#include <QByteArray>

#include <vector>

namespace krv {

class structure_document;

struct extraction_options {
    /// The same bytes for the same input (one MD5 pass over the output).
    bool deterministic_id = true;
};

/// `page_indices` from 0, in output order; repeats are allowed. Internal links are
/// rebuilt as explicit destinations to the copied pages (or dropped when their page
/// is not copied); other annotations are copied as they are. `source` is only read.
outcome<QByteArray> extract_pages(structure_document& source, const std::vector<int>& page_indices,
                                  extraction_options options = {});

} // namespace krv
