// What is on the page: a form field's value drawn (Qt PDF draws no field), notes
// by their own icon and colour, their text as the pointer's tooltip.
#include "pixels.h"
#include "reader_probe.h"
#include "test_documents.h"
#include "test_main.h"

#include <QTemporaryDir>

using namespace krv;

namespace {

// Pixels of a rectangle of page 0 (PDF user space) as shown.
QImage part_of(pdf_component& c, const pdf_rect& rect) {
    const QImage shot = probe::settled(*c.view());
    const QPointF top_left = c.view()->to_viewport(0, {rect.left, 842 - rect.top});
    const QPointF bottom_right = c.view()->to_viewport(0, {rect.right, 842 - rect.bottom});
    return shot.copy(QRectF(top_left, bottom_right).toRect());
}

// Share of a picture's pixels near a colour.
double share_near(const QImage& image, const QColor& colour, int tolerance) {
    int near = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            near += pixels::near(image.pixelColor(x, y), colour, tolerance);
    return image.isNull() ? 0 : double(near) / (image.width() * image.height());
}

} // namespace

class test_page_content : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void a_filled_field_shows_its_value() {
        auto c = probe::open_bytes(dir_.filePath("formulaire.pdf"), samples::form_document(),
                                   {800, 900});
        QVERIFY(c);
        // The value is drawn in the field's dark blue once the fields are merged in.
        QTRY_VERIFY_WITH_TIMEOUT(
            share_near(part_of(*c, samples::form_field_rect), QColor(0, 0, 204), 70) > 0.03,
            10'000);
        QCOMPARE(c->document()->page_count(), 1);
        // The merged document's text, fields and all, is what searches read.
        QTRY_VERIFY(c->text() && c->text()->text(0));
        QVERIFY(c->text()->text(0)->folded.contains("valeur du champ"));
    }

    void notes_show_their_own_colour_and_text() {
        auto c =
            probe::open_bytes(dir_.filePath("notes.pdf"), samples::form_document(), {800, 900});
        QVERIFY(c);
        QVERIFY(probe::wait_for_page(*c, 0));
        QCOMPARE(c->annotations_of(0)->notes.size(), std::size(samples::form_notes));
        for (const samples::sample_note& note : samples::form_notes) {
            const QColor colour = QColor::fromRgbF(static_cast<float>(note.colour.red),
                                                   static_cast<float>(note.colour.green),
                                                   static_cast<float>(note.colour.blue));
            QTRY_VERIFY2(share_near(part_of(*c, note.rect), colour, 30) > 0.4, note.icon);
            const auto [page, point] = c->view()->from_viewport(probe::on_screen(*c, 0, note.rect));
            QCOMPARE(page, 0);
            const page_spot spot = links_of(*c).spot_at(0, point);
            QCOMPARE(spot.tooltip, QString::fromUtf8(note.text));
            QVERIFY(!spot.clickable);
        }
    }

private:
    static page_links links_of(pdf_component& c) {
        page_links links;
        links.store(0, std::make_shared<const page_annotations>(*c.annotations_of(0)));
        return links;
    }
};

KRV_TEST_MAIN(test_page_content)
#include "test_page_content.moc"
