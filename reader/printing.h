// Printing a PDF document: the standard print dialog, a preview, and the pages
// rendered at no more than 300 dpi so that memory stays bounded.
#pragma once

class QPdfDocument;
class QPrinter;
class QWidget;

namespace krv {

inline constexpr int print_dpi_limit = 300;

/// Prints the pages the printer's range names (all of them when none), from 1.
/// Returns false when the printer cannot be started.
bool print_document(QPdfDocument& document, QPrinter& printer, int current_page = 0);

/// The standard print dialog, then the printing; `current_page` counts from 0.
void print_with_dialog(QPdfDocument& document, int current_page, QWidget* parent);

/// The print preview, from which the reader can print.
void print_preview(QPdfDocument& document, QWidget* parent);

} // namespace krv
