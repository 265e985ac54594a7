// Our own bounded walk of a document's page tree, before Qt PDF ever sees it.
// Qt PDF 6.4 (pdfium) spins for ever, at load, on a tree that lists itself or an
// ancestor before its last page, on one deeper than 1,024 levels, and on a tree
// whose nodes are shared many times over without a page count; it overflows its
// stack on a deep one without a count. Here a tree is sound when every node and
// page is reached once, by reference, at most max_depth levels down, each object
// is a node or a page for both of pdfium's readings of it (one goes by /Kids, the
// other by /Type). A root /Count other than the pages found only shows blank
// pages at the end, or hides some: it is noted (`counted`), for a repair.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <QByteArray>

#include <atomic>
#include <cstddef>
#include <vector>

class QPDF;

namespace krv {

class raw_objects;

struct page_tree_limits {
    int max_depth = 64;             ///< deeper is not sound (real documents have a few levels)
    std::size_t max_nodes = 20'000; ///< nodes read by qpdf; more: limit_error
    std::size_t max_pages = 1'000'000;
};

/// What the walk found: the tree's pages in order, each once, and the nodes
/// above them, so that a flat tree can be made of them when it is not sound.
struct page_tree {
    struct entry {
        QPDFObjectHandle object;
        int parent = -1;   ///< index in nodes; -1: none
        bool as_is = true; ///< a page that a flat tree can list as it stands
    };
    bool sound = true;
    bool counted = true; ///< the root's /Count is the number of pages found
    std::vector<entry> pages;
    std::vector<entry> nodes;
};

/// May throw (qpdf's errors, limit_error, cancelled_error): call under guarded().
page_tree walk_page_tree(QPDF& pdf, raw_objects& raw, const std::atomic<bool>& cancelled,
                         const page_tree_limits& limits = {});

/// Replaces the document's tree by one node listing `tree`'s pages, each given
/// the attributes it inherited; pages that are no dictionary are left out.
void flatten_page_tree(QPDF& pdf, const page_tree& tree, const page_tree_limits& limits = {});

/// The same as objects to append to the document (an update, for a document
/// that is not encrypted): a new root numbered `root_number`, the catalog
/// pointing to it, and the pages that cannot be listed as they stand, mended.
/// A page keeps its /Parent, through which it inherits what it did before.
QByteArray flat_page_tree_update(QPDF& pdf, const page_tree& tree, long long root_number,
                                 const page_tree_limits& limits = {});

} // namespace krv
