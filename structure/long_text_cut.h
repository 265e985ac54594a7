// Qt PDF 6.4 (pdfium) lays out the whole text of a note to draw its popup when
// it loads the page: one note of 20 MB cost it over a minute and 2 GB. So it is
// given the document with annotations' strings longer than a bound cut short;
// our tooltips, read from the same bytes, show far less than that anyway.
// Only the objects long enough to hold such a string are read with qpdf (found
// by raw_objects from the cross-references and object streams), so that an
// ordinary document costs no parsing of its annotations.
#pragma once

#include <qpdf/QPDFObjGen.hh>

#include <QByteArray>

#include <cstddef>
#include <vector>

class QPDF;

namespace krv {

class raw_objects;

/// Far more than a tooltip shows, far less than what makes Qt PDF slow.
inline constexpr std::size_t max_annotation_text = 64 * 1024;

/// Cuts, in `pdf`'s objects, the strings longer than `bound` bytes: those of an
/// annotation's dictionary, of one written inside a page's or an array's
/// /Annots, and strings that are objects of their own. Returns the objects
/// changed. May throw (qpdf's errors, limit_error, cancelled_error).
std::vector<QPDFObjGen> cut_long_texts(QPDF& pdf, raw_objects& raw,
                                       std::size_t bound = max_annotation_text);

/// `bytes`, the document `pdf` reads (not encrypted), followed by the `changed`
/// objects as they are now in `pdf` and a cross-reference stream for them all.
QByteArray with_objects_updated(const QByteArray& bytes, QPDF& pdf,
                                const std::vector<QPDFObjGen>& changed);

} // namespace krv
