// Qt PDF 6.4 never draws form fields: it renders pages with pdfium's
// FPDF_RenderPageBitmap only, and pdfium paints widget annotations solely through
// FPDF_FFLDraw with a form handle, which Qt PDF never creates. Even a field with
// a perfect appearance stays blank. So qpdf writes the missing appearances (files
// filled by simple tools set a value without one), then merges the widgets'
// appearances into the page content, and the reader shows that copy instead of
// the original. The help never edits forms, so the fields' interactivity costs
// nothing; other annotations (notes, links) stay as they are.
#pragma once

#include "failure.h"

#include <QByteArray>

#include <optional>

namespace krv {

class structure_document;

/// Nothing when the document has no form field; otherwise the document written
/// again with its fields' appearances in the page content. `document` itself is
/// changed the same way (its pages and links stay where they were).
outcome<std::optional<QByteArray>> merge_form_appearances(structure_document& document);

} // namespace krv
