// The outline: read with the structure library after the first page shows, its
// entries leading to their page and place (named destinations too), malformed
// outlines shown as far as they can be without hanging, and its memory given
// back with the document.
#include "pixels.h"
#include "process_memory.h"
#include "reader_probe.h"
#include "test_documents.h"
#include "test_main.h"

#include <QFile>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTreeView>

using namespace krv;
using samples::outline_shape;

Q_DECLARE_METATYPE(krv::samples::outline_shape)

namespace {

QModelIndex row_titled(QAbstractItemModel* model, const QString& title,
                       const QModelIndex& parent = {}) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data().toString() == title)
            return index;
        if (const QModelIndex below = row_titled(model, title, index); below.isValid())
            return below;
    }
    return {};
}

int depth_of(QAbstractItemModel* model) {
    int depth = 0;
    for (QModelIndex index = model->index(0, 0); index.isValid(); index = model->index(0, 0, index))
        ++depth;
    return depth;
}

} // namespace

class test_outline : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    std::unique_ptr<pdf_component> open_read(const QString& name, const QByteArray& bytes) {
        auto c = probe::open_bytes(dir_.filePath(name), bytes);
        if (!c)
            return nullptr;
        QSignalSpy read(c.get(), &pdf_component::outline_ready);
        if (!read.wait(20'000))
            return nullptr;
        c->navigation()->show_outline(true); // its rows are made when it first shows
        return c;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void entries_lead_to_their_page_and_place_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("band");
        QTest::newRow("explicit") << "Première partie" << 0 << 0;
        QTest::newRow("named, in the name tree") << "Sous-partie nommée" << 1 << 4;
        QTest::newRow("named, in the old /Dests") << "Ancien nom" << 2 << 6;
    }
    void entries_lead_to_their_page_and_place() {
        QFETCH(QString, title);
        QFETCH(int, page);
        QFETCH(int, band);
        auto c = open_read("sommaire.pdf", samples::outline_document(outline_shape::sound));
        QVERIFY(c);
        QVERIFY(c->navigation()->has_outline());
        c->navigation()->show_outline(true);
        QAbstractItemModel* model = c->navigation()->outline()->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->rowCount(model->index(0, 0)), 2);
        c->go_to_page_number(4);
        emit c->navigation()->outline()->activated(row_titled(model, title));
        QTRY_COMPARE(c->view()->top_place().first, page);
        QTRY_VERIFY(pixels::near(probe::top_colour(*c), samples::band_colour(band), 16));
        QVERIFY(c->navigation()->can_go_back());
    }

    void an_entry_with_an_address_asks_for_it() {
        auto c = open_read("sommaire.pdf", samples::outline_document(outline_shape::sound));
        QVERIFY(c);
        QSignalSpy asked(c.get(), &pdf_component::open_url_requested);
        emit c->navigation()->outline()->clicked(
            row_titled(c->navigation()->outline()->model(), "Lien web"));
        QTRY_COMPARE(asked.count(), 1);
        QCOMPARE(asked.at(0).at(0).toUrl(), QUrl(samples::web_address));
    }

    // Wide enough for a few words at first, long titles cut in the middle, dragged wider.
    void the_outline_panel_can_be_widened() {
        auto c = open_read("sommaire.pdf", samples::outline_document(outline_shape::sound));
        QVERIFY(c);
        QTreeView* outline = c->navigation()->outline();
        QTRY_VERIFY(outline->width() >= 240);
        QCOMPARE(outline->textElideMode(), Qt::ElideMiddle);
        QSplitterHandle* handle = static_cast<QSplitter*>(outline->parentWidget())->handle(1);
        const int before = outline->width();
        const QPoint middle = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, middle);
        QTest::mouseMove(handle, middle + QPoint(60, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, middle + QPoint(60, 0));
        QCOMPARE(outline->width(), before + 60);
    }

    // /XYZ and /FitH at several heights: the heading lands at the top of the view.
    void destinations_put_their_point_at_the_top_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("band");
        for (const char* kind : {"/XYZ", "/FitH"})
            for (int band : {1, 3, 6})
                QTest::newRow(qPrintable(QStringLiteral("%1 band %2").arg(kind).arg(band)))
                    << kind << band;
    }
    void destinations_put_their_point_at_the_top() {
        QFETCH(QString, kind);
        QFETCH(int, band);
        samples::pdf_builder pdf;
        for (int page = 0; page < 3; ++page)
            pdf.add_page({});
        for (int b = 0; b < 9; ++b) // the bands of page 2, as the shared documents draw them
            pdf.add_marker(1, {0, 842 - 100.0 * (b + 1), 595, 842 - 100.0 * b},
                           {samples::band_colour(b).redF(), samples::band_colour(b).greenF(),
                            samples::band_colour(b).blueF()});
        const double top = samples::band_top(band);
        pdf.add_outline(-1, "Titre",
                        kind == "/XYZ" ? pdf.xyz(1, 72, top) : pdf.fit(1, "/FitH", {top}));
        auto c = open_read("hauteurs.pdf", pdf.write());
        QVERIFY(c);
        emit c->navigation()->outline()->activated(
            c->navigation()->outline()->model()->index(0, 0));
        QTRY_COMPARE(c->view()->top_place().first, 1);
        QVERIFY(pixels::near(probe::top_colour(*c), samples::band_colour(band), 16));
        const QImage shot = c->view()->viewport()->grab().toImage();
        const int band_end = static_cast<int>(90 * c->view()->zoom() * 96 / 72);
        QVERIFY(pixels::near(shot.pixelColor(shot.width() / 2, band_end),
                             samples::band_colour(band), 16));
        QVERIFY(pixels::near(shot.pixelColor(shot.width() / 2, band_end + 20),
                             samples::band_colour(band + 1), 16));
    }

    void malformed_outlines_show_what_they_can_data() {
        QTest::addColumn<outline_shape>("shape");
        QTest::addColumn<int>("rows");      // top-level rows, the line saying it was cut included
        QTest::addColumn<int>("min_depth"); // of the first row's first descendants
        QTest::newRow("/Next loops to the first") << outline_shape::next_loop << 4 << 2;
        QTest::newRow("/First points to its parent") << outline_shape::first_to_ancestor << 4 << 2;
        QTest::newRow("30,000 deep") << outline_shape::deep_30000 << 4 << 2;
    }
    void malformed_outlines_show_what_they_can() {
        QFETCH(outline_shape, shape);
        QFETCH(int, rows);
        QFETCH(int, min_depth);
        auto c = open_read("abime.pdf", samples::outline_document(shape));
        QVERIFY2(c, "the outline was never read");
        QVERIFY(c->message().isEmpty());
        QAbstractItemModel* model = c->navigation()->outline()->model();
        QCOMPARE(model->rowCount(), rows);
        QVERIFY(depth_of(model) >= min_depth);
        QVERIFY(model->index(rows - 1, 0).data().toString().contains("abîmé"));
        if (shape == outline_shape::deep_30000) {
            const QModelIndex web = row_titled(model, "Lien web");
            int depth = 0;
            for (QModelIndex i = model->index(0, 0, web); i.isValid(); i = model->index(0, 0, i))
                ++depth;
            QCOMPARE(depth, 63); // the 64 levels shown, the entry's own included
        }
        // What can be shown still works.
        emit c->navigation()->outline()->activated(row_titled(model, "Sous-partie nommée"));
        QTRY_COMPARE(c->view()->current_page(), 1);
    }

    // Each showing used to keep its whole outline (Qt's bookmark model leaked it).
    void an_outline_shown_thirty_times_keeps_memory_bounded() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer keeps freed memory aside; its leak check covers this run");
#endif
        const QString path = dir_.filePath("grand_sommaire.pdf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(samples::big_outline_document(5000));
        file.close();
        pdf_component c(nullptr);
        c.resize(700, 600);
        c.show();
        QSignalSpy read(&c, &pdf_component::outline_ready);
        double before = 0;
        for (int showing = 0; showing < 30; ++showing) {
            c.set_src(path);
            QVERIFY(read.wait(20'000));
            c.navigation()->show_outline(true); // its rows are made when it shows
            QCOMPARE(c.navigation()->outline()->model()->rowCount(), 5000);
            if (showing == 4)
                before = samples::resident_mib(); // after the first allocations settle
        }
        const double growth = samples::resident_mib() - before;
        QVERIFY2(growth < 25, qPrintable(QStringLiteral("grew by %1 MiB").arg(growth)));
    }
};

KRV_TEST_MAIN(test_outline)
#include "test_outline.moc"
