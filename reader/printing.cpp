#include "printing.h"

#include <QPainter>
#include <QPdfDocument>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

namespace krv {

bool print_document(QPdfDocument& document, QPrinter& printer, int current_page) {
    const int count = document.pageCount();
    if (count == 0)
        return false;
    int first = 1, last = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        last = std::max(first, printer.toPage());
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = current_page + 1;
    }
    first = std::clamp(first, 1, count);
    last = std::clamp(last, first, count);

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const int dpi = std::min(printer.resolution(), print_dpi_limit);
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage())
            return false;
        const QSizeF points = document.pagePointSize(page - 1);
        const QSize pixels = (points * dpi / 72.0).toSize();
        QPdfDocumentRenderOptions options;
        options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        const QImage image = document.render(page - 1, pixels, options);
        // Fitted into the printable area, centred, keeping the page's proportions.
        const QRect area = painter.viewport();
        QSize fitted = pixels.scaled(area.size(), Qt::KeepAspectRatio);
        const QPoint at(area.x() + (area.width() - fitted.width()) / 2,
                        area.y() + (area.height() - fitted.height()) / 2);
        painter.drawImage(QRect(at, fitted), image);
    }
    return painter.end();
}

void print_with_dialog(QPdfDocument& document, int current_page, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document.metaData(QPdfDocument::MetaDataField::Title).toString());
    printer.setFromTo(1, document.pageCount());
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, document.pageCount());
    if (dialog.exec() == QDialog::Accepted)
        print_document(document, printer, current_page);
}

void print_preview(QPdfDocument& document, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&document](QPrinter* p) { print_document(document, *p); });
    preview.exec();
}

} // namespace krv
