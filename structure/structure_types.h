// Plain values handed from the structure layer (qpdf, on the structure worker's
// thread) to the reader (GUI thread). No qpdf type appears here on purpose: these
// values are copied across threads and outlive the QPDF object.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace krv {

/// Rectangle in PDF user space (origin bottom-left, y up), normalised so that
/// left <= right and bottom <= top.
struct pdf_rect {
    double left = 0, bottom = 0, right = 0, top = 0;
};

/// Rectangle in the page as Qt PDF shows it: points, origin at the top-left of
/// the (rotated) crop box, y down; the space of QPdfDocument::pagePointSize().
struct view_rect {
    double x = 0, y = 0, width = 0, height = 0;
};

struct view_point {
    double x = 0, y = 0;
};

enum class destination_kind { xyz, fit, fit_h, fit_v, fit_r, fit_b, fit_bh, fit_bv };

/// Where a link or outline entry goes, as written in the PDF (user space).
/// Absent coordinates are PDF's "keep the current one" (null or missing).
struct destination {
    int page_index = -1; ///< from 0
    destination_kind kind = destination_kind::fit;
    std::optional<double> left;
    std::optional<double> top;
    std::optional<double> right;  ///< FitR only
    std::optional<double> bottom; ///< FitR only
    std::optional<double> zoom;   ///< XYZ only; 0 or absent keeps the zoom
};

/// A destination turned into the place to show: a point of the page, in the
/// page's view space, that goes to the top-left of the view. A missing
/// coordinate means the page's edge (top, or left).
struct jump_target {
    int page_index = -1;
    std::optional<double> x;
    std::optional<double> y;
};

enum class action_kind {
    none,         ///< no /Dest and no /A (or unusable)
    go_to,        ///< internal destination (explicit or named), resolved
    go_to_broken, ///< internal destination that does not resolve (unknown name, bad page)
    uri,          ///< /URI: the reader decides by scheme
    launch,       ///< /Launch: refused, a document must not start programs
    go_to_remote, ///< /GoToR, /GoToE: another file
    named,        ///< /Named (NextPage, PrevPage, FirstPage, LastPage...)
    javascript,   ///< /JavaScript
    other,        ///< SubmitForm, ImportData, Sound, Movie...: refused
};

/// What following a link or an outline entry does: only what the reader needs,
/// since a page may hold thousands of links, each kept while the document shows.
struct link_action {
    action_kind kind = action_kind::none;
    std::optional<jump_target> jump; ///< go_to: where to show it
    /// uri: the address as written (7-bit ASCII, kept as bytes); launch and
    /// go_to_remote: the file named (UTF-8); named: the action's name (NextPage...).
    std::string text;
};

struct page_link {
    view_rect rect; ///< relative to the page's top-left as Qt PDF renders it
    link_action action;
};

/// The characters of a note's text that are read and shown; a longer text is
/// cut there and ends with "…".
inline constexpr std::size_t note_text_limit = 2000;

/// A note (/Text annotation): drawn by the reader by its icon and colour, its
/// text shown on hover. Qt PDF draws every note as the same yellow icon.
struct page_note {
    view_rect rect;
    std::string icon;                ///< /Name without the slash: Comment, Key, Help...
    std::optional<unsigned> colour;  ///< 0xRRGGBB from /C
    std::string contents;            ///< UTF-8, at most note_text_limit characters and "…"
    bool has_own_appearance = false; ///< drawn by Qt PDF from its /AP: text only
};

/// What a page offers the pointer: its links and its notes.
struct page_annotations {
    std::vector<page_link> links;
    std::vector<page_note> notes;
    bool limited = false; ///< more annotations than the limit: the rest ignored
};

/// Object number and generation of a PDF object, to come back to it later (an
/// outline entry's destination is resolved only when it is clicked).
struct object_id {
    int number = 0;
    int generation = 0;
};

struct outline_entry {
    std::string title; ///< UTF-8, control characters replaced by spaces
    bool open = false; ///< /Count > 0
    object_id source;  ///< the outline item; 0 for a direct object
    std::vector<outline_entry> children;
};

/// Where an outline entry leads, for the entries the chapters are taken from.
struct outline_mark {
    int depth = 0; ///< 0 for an entry at the top of the outline
    int page = -1; ///< from 0; -1 when the entry leads to no page
};

struct outline_tree {
    std::vector<outline_entry> roots;
    std::size_t entry_count = 0;
    bool depth_limited = false; ///< entries deeper than the limit were dropped
    bool count_limited = false; ///< stopped at the entry limit
    int cycles_cut = 0;         ///< /First or /Next pointing at an already seen entry
};

} // namespace krv
