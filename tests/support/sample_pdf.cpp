#include "sample_pdf.h"

#include "enreg_intlog.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace krv::samples {

bool write_pdf(const QString& path, const std::vector<page>& pages) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(pages.empty() ? QString() : pages.front().title);
    writer.setCreator(QStringLiteral("Aide KRV, pages d'essai"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const QRect area(0, 0, 595, 842);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const page& p = pages[i];
        painter.fillRect(area, p.background);
        painter.setPen(Qt::black);
        QFont title(QStringLiteral("Liberation Sans"));
        title.setPixelSize(28);
        title.setBold(true);
        painter.setFont(title);
        painter.drawText(QRect(50, 50, 495, 60), Qt::AlignLeft | Qt::AlignVCenter, p.title);
        QFont body(QStringLiteral("Liberation Sans"));
        body.setPixelSize(14);
        painter.setFont(body);
        int y = 140;
        for (const QString& line : p.lines) {
            painter.drawText(QRect(50, y, 495, 20), Qt::AlignLeft | Qt::AlignVCenter, line);
            y += 22;
        }
    }
    return painter.end();
}

bool write_colour_pdf(const QString& path, const QColor& colour, const QString& title) {
    return write_pdf(path, {page{colour, title, {}}});
}

QByteArray exchange_file(const std::vector<entry>& entries, std::optional<std::int32_t> count) {
    QByteArray bytes;
    auto append = [&bytes](const enreg_intlog& record) {
        const auto raw = record.en_octets();
        bytes.append(reinterpret_cast<const char*>(raw.data()), static_cast<qsizetype>(raw.size()));
    };
    enreg_intlog header;
    header.cle.assign(u"#INIT#");
    header.zone8.assign(u"");
    header.valeur.assign(u"");
    header.zone1.assign(u"");
    header.zone60.assign(u"");
    header.nombre = count.value_or(static_cast<std::int32_t>(entries.size()));
    append(header);
    for (const entry& e : entries) {
        enreg_intlog record = header;
        record.cle.assign(e.key);
        record.valeur.assign(e.value);
        record.nombre = 0;
        append(record);
    }
    return bytes;
}

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace krv::samples
