// PDFs and exchange files made at test time, so that tests, benchmarks and the
// demo never depend on files from elsewhere.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
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

/// One entry of an exchange file, as the host writes it.
struct entry {
    QString key;
    QString value;
};

/// The bytes of an exchange file: a valid header counting `count` entries (by
/// default the number given), then the entries.
QByteArray exchange_file(const std::vector<entry>& entries,
                         std::optional<std::int32_t> count = std::nullopt);

/// Writes bytes to a file, replacing it.
bool write_file(const QString& path, const QByteArray& bytes);

} // namespace krv::samples
