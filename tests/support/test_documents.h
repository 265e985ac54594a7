// The structured documents the tests share, built with pdf_builder: links of
// every kind, outlines sound and malformed, a form with notes, numbered pages,
// a huge page. Pages that links lead to are banded: a test sees from the band
// at the top of the view where a jump landed.
#pragma once

#include "pdf_builder.h"

#include <QColor>
#include <QString>

namespace krv::samples {

/// The colour of band `band` (from the top, 100 points high) of a banded page.
QColor band_colour(int band);
/// The top of band `band` less `below` points, in PDF's y (from the page's bottom).
double band_top(int band, double below = 5);

/// The links of links_document's first page, one per line, in this order.
enum class link_row {
    explicit_xyz, ///< page 3, /XYZ into band 3
    named_string, ///< "chapitre.deux" in the name tree: page 2, /XYZ into band 2
    old_name,     ///< /Ancien in the old /Dests: page 4, /FitH into band 5
    wrapped_name, ///< GoTo "fitr.cinq", << /D >> in old /Dests: page 5, /FitR into band 1
    fit_page,     ///< page 5, /Fit
    web_address,  ///< https
    file_address, ///< file:///etc/passwd
    launch,       ///< /Launch /usr/bin/xterm
    script,       ///< /JavaScript
    unknown_name, ///< a name found nowhere
    mail_address, ///< mailto
    next_page,    ///< /Named /NextPage
    count
};
/// The rectangle of a row's link on the first page (PDF user space).
pdf_rect link_row_rect(link_row row);
inline const char* web_address = "https://www.krv.example/aide";
inline const char* mail_address = "mailto:support@krv.example";

/// Five pages: a table of contents of links (link_row), then four banded pages.
QByteArray links_document();

enum class outline_shape { sound, next_loop, first_to_ancestor, deep_30000 };
/// Four pages; outline "Première partie" (with "Sous-partie nommée" leading to a
/// named destination and "Ancien nom" to an old one), "Lien web", "Dernière".
QByteArray outline_document(outline_shape shape);
/// The same outline over four pages filled with one colour (0xRRGGBB).
QByteArray outline_document(outline_shape shape, unsigned colour);
/// `entries` flat outline entries over four pages.
QByteArray big_outline_document(int entries);

/// A text field filled with "Valeur du champ" and notes of several kinds and colours.
inline const pdf_rect form_field_rect{100, 600, 400, 640};
struct sample_note {
    const char* icon;
    rgb colour;
    const char* text;
    pdf_rect rect;
};
inline const sample_note form_notes[] = {
    {"Comment", {1, 0.55, 0}, "Une remarque", {450, 600, 480, 630}},
    {"Key", {0, 0.6, 0}, "Clé du chapitre", {490, 600, 520, 630}},
    {"Help", {0.1, 0.3, 1}, "Aide contextuelle", {530, 600, 560, 630}},
};
QByteArray form_document();

/// Pages labelled "Page 1", "Page 2"..., with a few lines of text each.
QByteArray numbered_document(int pages, int links_per_page = 0);

/// One page of 14,400 points square (the largest PDF allows), light green.
QByteArray huge_page_document();

/// A help document as manuals are made: a table of contents whose lines link to
/// their chapters through named destinations, the same chapters as an outline,
/// each chapter's pages filled with chapter_colour(n) and its contents line with
/// contents_line_colour(n) (n from 1, at most 8 chapters).
QByteArray manual_document(const QString& title, int chapters, int pages_per_chapter);
QColor chapter_colour(int chapter);
QColor contents_line_colour(int chapter);
inline const QColor contents_colour(245, 245, 235); ///< the table of contents' page

} // namespace krv::samples
