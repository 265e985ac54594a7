#include "notes.h"

#include <QPainterPath>

namespace krv {

namespace {

const QColor default_note_colour(250, 215, 60); // the usual note yellow

QColor colour_of(const page_note& note) {
    return note.colour ? QColor::fromRgb(static_cast<QRgb>(*note.colour)) : default_note_colour;
}

// Dark ink on light notes, white on dark ones (by perceived brightness).
QColor ink_on(const QColor& ground) {
    const double brightness =
        0.299 * ground.redF() + 0.587 * ground.greenF() + 0.114 * ground.blueF();
    return brightness > 0.6 ? QColor(40, 40, 40) : QColor(255, 255, 255);
}

void draw_glyph(QPainter& painter, const QString& icon, const QRectF& box, const QColor& ink) {
    const double u = box.width() / 10.0;
    painter.setPen(QPen(ink, std::max(1.0, u * 0.9), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    const QPointF c = box.center();
    if (icon == QLatin1String("Comment")) { // a speech bubble
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(box.left() + u, box.top() + u * 1.5, u * 8, u * 5.5), u * 1.5,
                              u * 1.5);
        bubble.moveTo(c.x() - u, box.top() + u * 7);
        bubble.lineTo(c.x() - u * 2, box.bottom() - u);
        bubble.lineTo(c.x() + u, box.top() + u * 7);
        painter.drawPath(bubble);
    } else if (icon == QLatin1String("Key")) { // a key: a ring and a bit
        painter.drawEllipse(QRectF(box.left() + u * 1.2, c.y() - u * 1.8, u * 3.6, u * 3.6));
        painter.drawLine(QPointF(box.left() + u * 4.8, c.y()), QPointF(box.right() - u, c.y()));
        painter.drawLine(QPointF(box.right() - u * 2, c.y()),
                         QPointF(box.right() - u * 2, c.y() + u * 2));
    } else if (icon == QLatin1String("Note") || icon.isEmpty()) { // lines of text
        for (int line = 0; line < 3; ++line)
            painter.drawLine(QPointF(box.left() + u * 2, box.top() + u * (3 + 2 * line)),
                             QPointF(box.right() - u * 2, box.top() + u * (3 + 2 * line)));
    } else { // Help, Paragraph, NewParagraph, Insert: their sign
        const QString sign = icon == QLatin1String("Help")               ? QStringLiteral("?")
                             : icon == QLatin1String("Insert")           ? QStringLiteral("^")
                             : icon.contains(QLatin1String("Paragraph")) ? QStringLiteral("¶")
                                                                         : QStringLiteral("!");
        QFont font(QStringLiteral("Liberation Sans"));
        font.setBold(true);
        font.setPixelSize(std::max(6, static_cast<int>(u * 7.5)));
        painter.setFont(font);
        painter.drawText(box, Qt::AlignCenter, sign);
    }
}

} // namespace

void paint_notes(QPainter& painter, const page_annotations& annotations, const QRectF& page_area,
                 double scale) {
    painter.setRenderHint(QPainter::Antialiasing);
    for (const page_note& note : annotations.notes) {
        if (note.has_own_appearance)
            continue; // Qt PDF draws the note's own picture
        // Opaque over the whole rectangle: the generic icon Qt PDF drew there goes.
        const QRectF box(page_area.left() + note.rect.x * scale,
                         page_area.top() + note.rect.y * scale, note.rect.width * scale,
                         note.rect.height * scale);
        const QColor ground = colour_of(note);
        painter.setPen(QPen(ground.darker(160), 1));
        painter.setBrush(ground);
        // A pixel beyond the rectangle: Qt PDF's icon can overrun it by one.
        painter.drawRoundedRect(box.adjusted(-1, -1, 1.5, 1.5), 2, 2);
        draw_glyph(painter, QString::fromStdString(note.icon), box, ink_on(ground));
    }
}

} // namespace krv
