// What the program asks of qpdf, behind one table of virtual calls, so that qpdf
// (and GnuTLS, which it brings) is loaded at run time when a document is first
// opened rather than before the windows show. Only this header and the plain
// values it names are seen by the program; the module implements it.
#pragma once

#include "failure.h"
#include "outline_reader.h"
#include "page_geometry.h"
#include "renderable_copy.h"
#include "structure_types.h"

#include <QByteArray>

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace krv {

/// One document opened with qpdf; used by one thread at a time.
class structure_session {
public:
    virtual ~structure_session() = default;

    virtual const QByteArray& bytes() const = 0;
    /// See merge_form_appearances(): the session then reads the merged document.
    virtual outcome<std::optional<QByteArray>> merge_form_appearances() = 0;
    virtual outcome<outline_tree> read_outline(outline_limits limits) = 0;
    /// The link_reader calls: links and notes of a page, an outline entry's action,
    /// a named destination, and how many annotations were parsed so far.
    virtual outcome<page_annotations> annotations_of(int page) = 0;
    virtual outcome<link_action> outline_action(object_id item) = 0;
    virtual outcome<std::optional<jump_target>> named_destination(const std::string& name) = 0;
    virtual std::size_t annotations_read() const = 0;
    /// A page's crop box and turn; nothing when the page cannot be read.
    virtual std::optional<page_geometry> page_geometry_of(int page) = 0;
    /// A standalone PDF of these pages (from 0, in output order).
    virtual outcome<QByteArray> extract_pages(const std::vector<int>& pages) = 0;
};

class structure_library {
public:
    virtual outcome<renderable_document> renderable_copy(const QByteArray& bytes,
                                                         const std::string& password,
                                                         rewrite_policy policy,
                                                         const std::atomic<bool>& cancelled) = 0;
    /// `bytes` must own their storage; `password` is UTF-8.
    virtual outcome<std::unique_ptr<structure_session>> open(QByteArray bytes,
                                                             const std::string& password) = 0;

protected:
    ~structure_library() = default;
};

} // namespace krv

/// The module's one entry point: the library, alive for the whole process.
extern "C" krv::structure_library* krv_structure_library();
