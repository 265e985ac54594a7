#include "sample_pdf.h"

#include "codepage.h"

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

namespace {

QByteArray pdf_string(const QString& text) {
    QByteArray out("(");
    for (QChar c : text) {
        const char byte = static_cast<char>(char_to_cp1252(c.unicode()));
        if (byte == '(' || byte == ')' || byte == '\\')
            out += '\\';
        out += byte;
    }
    return out + ')';
}

QByteArray number(double v) {
    return QByteArray::number(v, 'f', 3);
}

} // namespace

bool write_text_pdf(const QString& path, const std::vector<text_page>& pages,
                    const std::vector<outline_entry>& outline, const QByteArray& page_labels) {
    const int count = static_cast<int>(pages.size());
    // Objects: 1 catalog, 2 page tree, 3 font, then a page and its content per
    // page, then the outline root and its entries.
    const int first_page = 4;
    const int outline_root = first_page + 2 * count;
    const std::size_t total = outline.empty()
                                  ? static_cast<std::size_t>(outline_root - 1)
                                  : static_cast<std::size_t>(outline_root) + outline.size();
    std::vector<QByteArray> objects(total);
    auto object = [&](int n) -> QByteArray& { return objects[static_cast<std::size_t>(n - 1)]; };
    object(1) = "<< /Type /Catalog /Pages 2 0 R" +
                (outline.empty() ? QByteArray()
                                 : " /Outlines " + QByteArray::number(outline_root) + " 0 R") +
                (page_labels.isEmpty() ? QByteArray() : " /PageLabels " + page_labels) + " >>";
    QByteArray kids;
    for (int i = 0; i < count; ++i)
        kids += QByteArray::number(first_page + 2 * i) + " 0 R ";
    object(2) = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(count) + " >>";
    object(3) = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
    for (int i = 0; i < count; ++i) {
        const text_page& p = pages[static_cast<std::size_t>(i)];
        const QByteArray width = p.landscape ? "842" : "595";
        const QByteArray height = p.landscape ? "595" : "842";
        QByteArray content = number(p.background.redF()) + ' ' + number(p.background.greenF()) +
                             ' ' + number(p.background.blueF()) + " rg 0 0 " + width + ' ' +
                             height + " re f 0 g BT /F1 " + number(p.font_size) + " Tf 50 " +
                             (p.landscape ? "553" : "800") + " Td";
        const QByteArray gap = " 0 -" + number(p.line_gap) + " Td ";
        for (int l = 0; l < p.lines.size(); ++l)
            content += (l ? gap : QByteArray(" ")) + pdf_string(p.lines[l]) + " Tj";
        content += " ET";
        object(first_page + 2 * i) = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + width + ' ' +
                                     height +
                                     "] /Resources << /Font << /F1 3 0 R >> >> /Contents " +
                                     QByteArray::number(first_page + 2 * i + 1) + " 0 R >>";
        object(first_page + 2 * i + 1) = "<< /Length " + QByteArray::number(content.size()) +
                                         " >>\nstream\n" + content + "\nendstream";
    }
    if (!outline.empty()) {
        const int n = static_cast<int>(outline.size());
        object(outline_root) = "<< /Type /Outlines /First " + QByteArray::number(outline_root + 1) +
                               " 0 R /Last " + QByteArray::number(outline_root + n) +
                               " 0 R /Count " + QByteArray::number(n) + " >>";
        for (int k = 0; k < n; ++k) {
            const outline_entry& e = outline[static_cast<std::size_t>(k)];
            QByteArray item = "<< /Title " + pdf_string(e.title) + " /Parent " +
                              QByteArray::number(outline_root) + " 0 R /Dest [" +
                              QByteArray::number(first_page + 2 * e.page) + " 0 R /XYZ 0 " +
                              number(842 - e.top) + " 0]";
            if (k > 0)
                item += " /Prev " + QByteArray::number(outline_root + k) + " 0 R";
            if (k + 1 < n)
                item += " /Next " + QByteArray::number(outline_root + k + 2) + " 0 R";
            object(outline_root + 1 + k) = item + " >>";
        }
    }
    return write_file(path, pdf_file(objects));
}

QByteArray pdf_file(const std::vector<QByteArray>& objects) {
    QByteArray file("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    std::vector<qsizetype> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(file.size());
        file +=
            QByteArray::number(static_cast<int>(i + 1)) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = file.size();
    file += "xref\n0 " + QByteArray::number(static_cast<int>(objects.size() + 1)) +
            "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        file += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    file += "trailer\n<< /Size " + QByteArray::number(static_cast<int>(objects.size() + 1)) +
            " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return file;
}

bool write_japanese_pdf(const QString& path, const QString& text) {
    // The font as TeX's Japanese classes name it, without its glyphs: the reader
    // must find a Japanese font of its own. Text in UCS-2 through Adobe's CMap.
    QByteArray code;
    for (QChar c : text)
        code += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    const QByteArray content = "BT /F1 48 Tf 50 700 Td <" + code + "> Tj ET";
    return write_file(
        path,
        pdf_file({
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 5 "
            "0 R >> >> /Contents 4 0 R >>",
            "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
                "\nendstream",
            "<< /Type /Font /Subtype /Type0 /BaseFont /Ryumin-Light /Encoding /UniJIS-UCS2-H "
            "/DescendantFonts [6 0 R] >>",
            "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /Ryumin-Light /CIDSystemInfo << "
            "/Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> /FontDescriptor 7 0 R >>",
            "<< /Type /FontDescriptor /FontName /Ryumin-Light /Flags 4 /FontBBox [0 -141 1000 "
            "859] /ItalicAngle 0 /Ascent 859 /Descent -141 /CapHeight 709 /StemV 69 >>",
        }));
}

} // namespace krv::samples
