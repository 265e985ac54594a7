// Notes on the pages (/Text annotations), drawn by the reader by their icon and
// colour: Qt PDF draws every note without an appearance of its own as the same
// yellow icon. Their text shows as the pointer's tooltip (see links.h).
#pragma once

#include "structure_types.h"

#include <QPainter>
#include <QRectF>

namespace krv {

/// Draws the notes of a page that have no appearance of their own, over what Qt
/// PDF drew there; `page_area` is the page in the viewport, `scale` its pixels per point.
void paint_notes(QPainter& painter, const page_annotations& annotations, const QRectF& page_area,
                 double scale);

} // namespace krv
