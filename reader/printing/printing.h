// Printing a PDF document. To a file, the chosen pages are copied as they are
// (text stays text, fonts stay embedded). To a printer, that same PDF of the
// chosen pages goes to the print system as one job with the dialog's copies,
// collation and sides; only a queue that cannot take PDF gets pages rendered as
// pictures, at a resolution that keeps memory bounded. Every outcome is checked
// and a failure is worded in French; the busy pointer shows while a job is made.
#pragma once

#include "chapter.h"
#include "failure.h"
#include "pdf_thread.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QPrinter;
class QWidget;

namespace krv {

inline constexpr int print_dpi_limit = 300;
/// Pixels of one page rendered for printing: a huger page prints at a lower resolution.
inline constexpr qint64 print_pixel_limit = 24LL * 1000 * 1000;

/// The document as shown (its bytes are what Qt PDF shows, form fields drawn in).
struct printable_document {
    shared_document document;
    QString path; ///< its file, for the proposed name
    /// Where its outline's chapters lead, for "Chapitre courant": nothing while
    /// not read yet, none without an outline.
    std::optional<std::vector<outline_mark>> outline;
};

/// Renders a page for printing, at the size `size_for` gives for its size in points.
using page_renderer =
    std::function<QImage(int page, const std::function<QSize(QSizeF points)>& size_for)>;

/// Has the document's pdf thread render each page while the calling thread waits
/// for it, painting meanwhile (the user's input is dropped, so that nothing else
/// starts, but for Esc); a null picture when the program ends meanwhile.
page_renderer pdf_thread_renderer(const shared_document& document);

/// How a print went.
using print_outcome = done;
/// A print that did not go through, with the French text that says why.
failure print_failure(QString text);

/// The pages a printer's settings choose, from 0, in printing order: the
/// chapter's when it was chosen.
std::vector<int> chosen_pages(const QPrinter& printer, int page_count, int current_page,
                              const std::optional<page_span>& chapter = std::nullopt);

/// Renders the pages into the printer as pictures of at most print_dpi_limit and
/// print_pixel_limit, each fitted into the printable area.
print_outcome print_as_pictures(const page_renderer& render, QPrinter& printer,
                                const std::vector<int>& pages);

/// What to do when the file to print to exists.
enum class existing_file {
    keep,    ///< say so and write nothing
    replace, ///< the user agreed (the print dialog asks)
};

/// The pages printed `copies` times: each copy whole after the other when
/// collated, else each page repeated before the next.
std::vector<int> with_copies(const std::vector<int>& pages, int copies, bool collate);

/// Writes a PDF of the pages (a true copy of them) to `path`, a new file
/// renamed over that name: a symbolic link there is replaced, never followed.
print_outcome print_to_file(const QByteArray& bytes, const QString& password,
                            const std::vector<int>& pages, const QString& path,
                            existing_file policy);

/// A job's settings, as the print dialog gives them.
struct job_settings {
    QString queue;
    int copies = 1;
    bool collate = true;
    QString sides = QStringLiteral("one-sided"); ///< IPP's sides keyword
    QString title;
};

/// Sends a PDF of the pages to a print system queue (the user's print server, or
/// CUPS_SERVER). `needs_pictures` is set, and nothing sent, when the queue
/// cannot take PDF.
print_outcome print_to_queue(const QByteArray& bytes, const QString& password,
                             const std::vector<int>& pages, const job_settings& settings,
                             bool* needs_pictures = nullptr);

/// The file name proposed for printing to a file: the document's name, in the
/// user's documents folder (never the documents' folder of the help).
QString proposed_file_name(const QString& document_path);

/// The print dialog (all, range, current page, current chapter; `current_page`
/// from 0), then the printing.
print_outcome print_with_dialog(const printable_document& source, int current_page,
                                QWidget* parent);

/// The preview: the pages as they print, rendered as they show; true when the
/// user asks to print from it.
bool show_print_preview(const shared_document& document, QWidget* parent);

/// The preview, then the print dialog when the user asks to print from it: of
/// the document previewed, whatever the reader shows by then.
print_outcome preview_then_print(const printable_document& source, int current_page,
                                 QWidget* parent);

} // namespace krv
