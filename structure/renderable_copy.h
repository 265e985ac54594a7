// The bytes Qt PDF may be given for a document. Qt PDF (pdfium) hangs for ever
// on some page trees and refuses files that other readers still show, so every
// document goes through qpdf first: its page tree is walked (page_tree_check), and
// a tree that is not sound is made flat, a cycle or a shared node dropped. What
// qpdf had to rebuild (the cross-references of a damaged file) is handed on only
// as qpdf writes it again, so that Qt PDF reads what was checked; a file qpdf
// cannot open at all gets its cross-references made again from a scan of its
// bytes first (cross_reference_rebuild). Annotations' strings too long for Qt
// PDF to lay out in bounded time and memory are cut in what it gets
// (long_text_cut).
#pragma once

#include "failure.h"

#include <QByteArray>

#include <atomic>
#include <string>

namespace krv {

enum class rewrite_policy {
    when_needed, ///< the document's own bytes when they are sound as they stand
    always,      ///< written again in any case (a document Qt PDF refused as it was)
};

struct renderable_document {
    QByteArray bytes;
    bool rewritten = false; ///< mended or written again by qpdf: not the document's own bytes
};

/// Runs in memory, off the GUI thread: a rewrite costs a second or two for a
/// large damaged file and holds about twice its size. `password` is UTF-8.
/// Fails as password_required, damaged (qpdf could not read it, or its tree
/// stayed unsound), limit_exceeded (a tree or a stream beyond the walk's bounds)
/// or internal (cancelled included: setting `cancelled` ends the work soon).
outcome<renderable_document> renderable_copy(const QByteArray& bytes, const std::string& password,
                                             rewrite_policy policy,
                                             const std::atomic<bool>& cancelled);

} // namespace krv
