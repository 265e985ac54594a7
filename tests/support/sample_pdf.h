// PDFs made at test time, so that tests, benchmarks and the demo never depend
// on files from elsewhere.
#pragma once

#include "exchange.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <vector>

namespace krv::samples {

struct page {
    QColor background = Qt::white; ///< fills the whole page: tests recognise pages by it
    QString title;
    QStringList lines;
};

/// Writes an A4 PDF with the pages; returns false when the file cannot be written.
bool write_pdf(const QString& path, const std::vector<page>& pages);

/// A one-page PDF of a single colour with a title.
bool write_colour_pdf(const QString& path, const QColor& colour, const QString& title);

/// A page of plain text on a coloured ground, in Helvetica (Windows-1252 text).
struct text_page {
    QColor background = Qt::white;
    QStringList lines; ///< from the top, `line_gap` points apart
    bool landscape = false;
    double font_size = 14;
    double line_gap = 20;
};

/// An outline entry: a title leading to a page, `top` points below its top edge.
struct outline_entry {
    QString title;
    int page = 0;
    double top = 0;
};

/// Writes an A4 PDF by hand, with real text (searchable) and, when given, an
/// outline and the catalog's /PageLabels ("<< /Nums [0 << /S /r >>] >>").
bool write_text_pdf(const QString& path, const std::vector<text_page>& pages,
                    const std::vector<outline_entry>& outline = {},
                    const QByteArray& page_labels = {});

/// A page of Japanese text in a font the file does not carry (Ryumin-Light, as
/// TeX's Japanese documents name it), 48 points high near the page's top.
bool write_japanese_pdf(const QString& path, const QString& text);

/// A PDF file made of these objects (object 1 the catalog), with its cross-reference table.
QByteArray pdf_file(const std::vector<QByteArray>& objects);

} // namespace krv::samples
