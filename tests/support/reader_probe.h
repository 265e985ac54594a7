// Looking at the reader as its tests need: a component on a structured document
// made at test time, what stands at the top of its view, and where a rectangle
// of a page is on screen.
#pragma once

#include "pdf_builder.h"
#include "pdf_component.h"

#include <QFile>
#include <QTest>

#include <memory>

namespace krv::probe {

/// Waits until what the component was asked to show is open (or its message shows).
inline bool opened(pdf_component& component) {
    return QTest::qWaitFor([&] { return !component.opening(); }, 10'000);
}

/// What the view shows once every picture it needs has come from the pdf thread.
inline QImage settled(page_view& view) {
    QImage shot;
    const bool complete = QTest::qWaitFor(
        [&] {
            shot = view.viewport()->grab().toImage();
            return view.pictures_complete();
        },
        10'000);
    return complete ? shot : QImage(); // a null picture fails every comparison
}

/// A shown component on `bytes`, written to `path`.
inline std::unique_ptr<pdf_component> open_bytes(const QString& path, const QByteArray& bytes,
                                                 QSize size = {700, 600}) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return nullptr;
    file.close();
    auto component = std::make_unique<pdf_component>(nullptr);
    component->resize(size);
    component->show();
    component->set_src(path);
    opened(*component);
    return component;
}

/// The colour a few pixels below the top of the view, in the middle.
inline QColor top_colour(pdf_component& component) {
    const QImage shot = settled(*component.view());
    return shot.pixelColor(shot.width() / 2, 3);
}

/// Where the middle of a rectangle of a page (PDF user space, page 842 high) shows.
inline QPoint on_screen(pdf_component& component, int page, const pdf_rect& rect,
                        double page_height = 842) {
    const QPointF middle((rect.left + rect.right) / 2, page_height - (rect.top + rect.bottom) / 2);
    return component.view()->to_viewport(page, middle).toPoint();
}

/// Waits until the links and notes of a page have been read.
inline bool wait_for_page(pdf_component& component, int page) {
    component.view()->viewport()->update();
    return QTest::qWaitFor([&] { return component.navigation()->annotations_of(page) != nullptr; },
                           10'000);
}

} // namespace krv::probe
