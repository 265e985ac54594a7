// What is on the page: the pictures, drawn in tiles, as Qt PDF draws the whole
// page; a form field's value drawn (Qt PDF draws no field), notes by their own
// icon and colour, their text as the pointer's tooltip.
#include "pixels.h"
#include "reader_probe.h"
#include "test_documents.h"
#include "test_main.h"

#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cmath>

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

// A page of text, coloured boxes and a rule across, turned by `rotate` degrees.
QByteArray drawn_page(int rotate) {
    samples::pdf_builder b;
    std::vector<std::string> lines;
    for (int l = 0; l < 40; ++l)
        lines.push_back("Ligne " + std::to_string(l + 1) +
                        " : le reglement des factures se fait a trente jours.");
    b.add_page({{1, 1, 1}, "Page tournee", {0, 0, 595, 842}, std::nullopt, rotate, lines});
    b.add_marker(0, {60, 400, 300, 460}, {0.8, 0.1, 0.1});
    b.add_marker(0, {320, 100, 540, 700}, {0.1, 0.3, 0.8});
    b.add_marker(0, {0, 300, 595, 302}, {0, 0, 0});
    return b.write();
}

// The share of pixels of two pictures of one size that differ by more than a few
// levels (1 when the sizes differ).
double differing(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 count = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            count += std::abs(qRed(p) - qRed(q)) > 24 || std::abs(qGreen(p) - qGreen(q)) > 24 ||
                     std::abs(qBlue(p) - qBlue(q)) > 24;
        }
    return double(count) / (double(x.width()) * x.height());
}

} // namespace

class test_page_content : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // What shows of a page, put together from tiles, is what Qt PDF draws of the
    // whole page at that size: no seam, no shift, turned pages turned.
    void tiles_show_the_page_as_drawn_whole_data() {
        QTest::addColumn<int>("rotate");
        QTest::addColumn<double>("zoom"); // 0: fitted to the width
        QTest::addColumn<double>("down"); // how far down the page the view's top stands
        for (int rotate : {0, 90, 180, 270}) {
            const QByteArray turned = QByteArray::number(rotate) + "°, ";
            QTest::newRow(turned + "fitted, top") << rotate << 0.0 << 0.0;
            QTest::newRow(turned + "fitted, lower") << rotate << 0.0 << 0.4;
            QTest::newRow(turned + "174 %") << rotate << 1.74 << 0.3;
            QTest::newRow(turned + "400 %") << rotate << 4.0 << 0.55;
        }
    }
    void tiles_show_the_page_as_drawn_whole() {
        QFETCH(int, rotate);
        QFETCH(double, zoom);
        QFETCH(double, down);
        const QString file = dir_.filePath(QStringLiteral("tourne_%1.pdf").arg(rotate));
        auto c = probe::open_bytes(file, drawn_page(rotate));
        QVERIFY(c);
        page_view* v = c->view();
        if (zoom > 0)
            v->set_zoom(zoom);
        QPdfDocument whole_document;
        QCOMPARE(whole_document.load(file), QPdfDocument::Error::None);
        const QSizeF points = whole_document.pagePointSize(0);
        v->go_to_point(0, {points.width() * down, points.height() * down});
        const QImage shot = probe::settled(*v);
        QVERIFY(!shot.isNull());
        // The page stands on whole pixels, as large as its points at the zoom, rounded.
        const double scale = v->zoom() * 96.0 / 72.0;
        const QSize whole(int(std::lround(points.width() * scale)),
                          int(std::lround(points.height() * scale)));
        const QPoint origin = v->to_viewport(0, {0, 0}).toPoint();
        // Inside the focus ring, which the view draws along its edges.
        const QRect shown = QRect(origin, whole) & v->viewport()->rect().adjusted(3, 3, -3, -3);
        QVERIFY(shown.width() > 100 && shown.height() > 100);
        QPdfDocumentRenderOptions options;
        options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        QImage expected(whole, QImage::Format_RGB32);
        expected.fill(Qt::white); // the page's ground, under what Qt PDF leaves clear
        {
            QPainter painter(&expected);
            painter.drawImage(0, 0, whole_document.render(0, whole, options));
        }
        const double share = differing(shot.copy(shown), expected.copy(shown.translated(-origin)));
        // Glyph edges may differ by a level or two of grey, never whole strokes.
        QVERIFY2(share < 0.01, qPrintable(QStringLiteral("%1 % differ").arg(share * 100)));
    }

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
        QCOMPARE(c->navigation()->annotations_of(0)->notes.size(), std::size(samples::form_notes));
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
        links.store(0,
                    std::make_shared<const page_annotations>(*c.navigation()->annotations_of(0)));
        return links;
    }
};

KRV_TEST_MAIN(test_page_content)
#include "test_page_content.moc"
