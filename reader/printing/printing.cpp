#include "printing.h"

#include "events.h"
#include "print_dialog.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPageRanges>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <optional>

namespace krv {

std::vector<int> chosen_pages(const QPrinter& printer, int page_count, int current_page,
                              const std::optional<page_span>& chapter) {
    std::vector<int> pages;
    auto add = [&](int first, int last) { // from 1, as the dialog counts
        for (int page = std::max(first, 1); page <= std::min(last, page_count); ++page)
            pages.push_back(page - 1);
    };
    if (chapter)
        add(chapter->first + 1, chapter->last + 1);
    else
        switch (printer.printRange()) {
        case QPrinter::CurrentPage:
            add(current_page + 1, current_page + 1);
            break;
        case QPrinter::PageRange:
            if (!printer.pageRanges().isEmpty()) {
                for (const QPageRanges::Range& range : printer.pageRanges().toRangeList())
                    add(range.from, range.to);
            } else if (printer.fromPage() > 0) {
                add(printer.fromPage(), std::max(printer.fromPage(), printer.toPage()));
            } else {
                add(1, page_count);
            }
            break;
        case QPrinter::AllPages:
        case QPrinter::Selection:
            add(1, page_count);
            break;
        }
    if (printer.pageOrder() == QPrinter::LastPageFirst)
        std::reverse(pages.begin(), pages.end());
    return pages;
}

namespace {

// The picture of a page: at most print_dpi_limit, and fewer dots for a page so
// large that the picture would pass print_pixel_limit (a 14,400-point page would
// need 3.6 gigapixels at 300 dpi; Qt PDF then renders nothing).
QSize print_pixels(const QSizeF& points, int printer_dpi) {
    const double dpi = std::min(printer_dpi, print_dpi_limit);
    QSizeF pixels = points * dpi / 72.0;
    const double area = pixels.width() * pixels.height();
    if (area > static_cast<double>(print_pixel_limit))
        pixels *= std::sqrt(static_cast<double>(print_pixel_limit) / area);
    return pixels.toSize().expandedTo(QSize(1, 1));
}

QString picture_failure(int page) {
    return QStringLiteral("L’impression a échoué\u00a0: la page %1 n’a pas pu être préparée.")
        .arg(page + 1);
}

} // namespace

page_renderer pdf_thread_renderer(const shared_document& document) {
    return [document](int page, const std::function<QSize(QSizeF)>& size_for) {
        pdf_thread* thread = document ? document->thread() : nullptr;
        if (!thread)
            return QImage();
        auto picture = std::make_shared<std::optional<QImage>>();
        QEventLoop loop;
        QPointer<QEventLoop> waiting(&loop);
        thread->post(*document, pdf_priority::interactive, [=](QPdfDocument& pdf) {
            QPdfDocumentRenderOptions options;
            options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
            QImage image = pdf.render(page, size_for(pdf.pagePointSize(page)), options);
            thread->reply([picture, waiting, image] {
                *picture = image;
                if (waiting)
                    waiting->quit();
            });
        });
        if (!picture->has_value()) {
            user_input_pause paused;
            loop.exec(); // also left when the program ends: no picture then
        }
        return picture->value_or(QImage());
    };
}

failure print_failure(QString text) {
    return failure{failure_kind::printing, {}, std::move(text)};
}

print_outcome print_as_pictures(const page_renderer& render, QPrinter& printer,
                                const std::vector<int>& pages) {
    if (pages.empty())
        return print_failure(QStringLiteral("Aucune page à imprimer."));
    QPainter painter;
    if (!painter.begin(&printer))
        return print_failure(QStringLiteral("L’impression n’a pas pu commencer\u00a0: l’imprimante "
                                            "ou le fichier choisi n’est pas disponible."));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage())
            return print_failure(picture_failure(pages[i]));
        const int dpi = printer.resolution();
        const QImage image =
            render(pages[i], [dpi](QSizeF points) { return print_pixels(points, dpi); });
        if (image.isNull())
            return print_failure(picture_failure(pages[i]));
        const QSize pixels = image.size();
        // Fitted into the printable area, centred, keeping the page's proportions.
        const QRect area = painter.viewport();
        const QSize fitted = pixels.scaled(area.size(), Qt::KeepAspectRatio);
        const QPoint at(area.x() + (area.width() - fitted.width()) / 2,
                        area.y() + (area.height() - fitted.height()) / 2);
        painter.drawImage(QRect(at, fitted), image);
    }
    if (!painter.end())
        return print_failure(QStringLiteral("L’impression n’a pas pu être terminée."));
    return {};
}

QString proposed_file_name(const QString& document_path) {
    const QFileInfo document(document_path);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // The help writes nothing into the documents' folder, even when it is that one.
    if (folder.isEmpty() || !QFileInfo(folder).isDir() ||
        QDir(folder) == QDir(document.absolutePath()))
        folder = QDir::homePath();
    const QString base = document.completeBaseName();
    return QDir(folder).filePath((base.isEmpty() ? QStringLiteral("document") : base) +
                                 QStringLiteral(".pdf"));
}

namespace {

QString sides_of(QPrinter::DuplexMode duplex) {
    switch (duplex) {
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        return QStringLiteral("two-sided-long-edge");
    case QPrinter::DuplexShortSide:
        return QStringLiteral("two-sided-short-edge");
    case QPrinter::DuplexNone:
        break;
    }
    return QStringLiteral("one-sided");
}

// Where the dialog sent the print: a file, or a queue (pictures where it cannot take PDF).
print_outcome print_chosen(const printable_document& source, QPrinter& printer,
                           const std::vector<int>& pages) {
    // A file gets its copies in itself, as a raw queue does.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return print_to_file(
            source.document->bytes(), source.document->password(),
            with_copies(pages, std::max(1, printer.copyCount()), printer.collateCopies()),
            printer.outputFileName(), existing_file::replace); // the dialog asked before
    const job_settings settings{printer.printerName(), std::max(1, printer.copyCount()),
                                printer.collateCopies(), sides_of(printer.duplex()),
                                QFileInfo(source.path).fileName()};
    bool needs_pictures = false;
    print_outcome done = print_to_queue(source.document->bytes(), source.document->password(),
                                        pages, settings, &needs_pictures);
    if (needs_pictures)
        return print_as_pictures(pdf_thread_renderer(source.document), printer, pages);
    return done;
}

} // namespace

print_outcome print_with_dialog(const printable_document& source, int current_page,
                                QWidget* parent) {
    const int count = source.document->page_count();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(source.path).completeBaseName());
    // Proposed for a print to a file; the dialog still opens on the default printer.
    printer.setOutputFileName(proposed_file_name(source.path));
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setFromTo(1, count);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, count);
    adapt_print_dialog(dialog);
    const chapter_offer chapter = offer_chapter(source.outline, count, current_page);
    const QRadioButton* chapter_choice = add_chapter_choice(dialog, chapter);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const bool whole_chapter = chapter_choice && chapter_choice->isChecked();
    return print_chosen(
        source, printer,
        chosen_pages(printer, count, current_page, whole_chapter ? chapter.pages : std::nullopt));
}

} // namespace krv
