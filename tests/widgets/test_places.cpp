// A document opened at the place the host asked for: a page, a named
// destination, a word to search; a place the document does not have opens it
// at its first page without a message. Through the component, and through the
// windows as the host's value reaches them (at start-up, and when the host
// starts the help again).
#include "affic_pdf.h"
#include "fixture.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "pixels.h"
#include "reader_probe.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

using namespace krv;

namespace {

// Each page its own colour, so that what shows tells where the document opened.
const QColor page_colours[] = {QColor(220, 60, 60), QColor(60, 160, 80), QColor(60, 90, 200),
                               QColor(230, 180, 40), QColor(150, 70, 170)};
constexpr int page_total = 5;

samples::rgb rgb_of(const QColor& c) {
    return {c.redF(), c.greenF(), c.blueF()};
}

// Five coloured pages; "chapitre" (name tree) leads to the fourth, "ancien"
// (old /Dests) to the second; the word "remise" stands on the third only. With
// a form field, the reader shows a copy with the field drawn in once it has it.
QByteArray places_document(bool with_field = false) {
    samples::pdf_builder pdf;
    for (int page = 0; page < page_total; ++page) {
        samples::page_layout layout;
        layout.colour = rgb_of(page_colours[page]);
        layout.label = "Page " + std::to_string(page + 1);
        pdf.add_page(layout);
    }
    pdf.add_text(2, 72, 500, 14, "Conditions de remise");
    pdf.add_named_destination("chapitre", pdf.xyz(3, 0, 842));
    pdf.add_old_style_destination("ancien", pdf.fit(1));
    if (with_field)
        pdf.add_text_field(0, {100, 600, 400, 640}, "nom", "Valeur du champ", false);
    return pdf.write();
}

} // namespace

class test_places : public QObject {
    Q_OBJECT
    program_fixture fixture_;
    QByteArray champs_; ///< places.pdf with a form field

    pdf_component* component() { return find_form<affic_pdf>()->APDF_Objet; }

    // The viewer shows that page (from 0), in its colour.
    static bool shows_page(pdf_component& c, int page) {
        return c.view()->current_page() == page &&
               pixels::near(pixels::dominant_colour(c.view()->viewport()), page_colours[page], 16);
    }

private slots:
    void initTestCase() {
        QVERIFY(fixture_.set_up());
        QVERIFY(samples::write_file(fixture_.path("places.pdf"), places_document()));
        QVERIFY(samples::write_file(fixture_.path("champs.pdf"), champs_ = places_document(true)));
        QVERIFY(samples::write_colour_pdf(fixture_.path("Documentation.pdf"), Qt::white, "Doc"));
    }
    void cleanup() { fixture_.reset(); }
    void cleanupTestCase() { fixture_.tear_down(); }

    void the_document_opens_at_its_place_data() {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<int>("page"); // from 0
        QTest::newRow("nothing asked") << "" << 0;
        QTest::newRow("page") << "page=3" << 2;
        QTest::newRow("last page") << "page=5" << 4;
        QTest::newRow("named, in the name tree") << "nameddest=chapitre" << 3;
        QTest::newRow("named, in the old /Dests") << "nameddest=ancien" << 1;
        // The host may be newer than its documents: the first page, no message.
        QTest::newRow("unknown destination") << "nameddest=inconnue" << 0;
        QTest::newRow("unknown destination, then its page") << "nameddest=inconnue&page=4" << 3;
        QTest::newRow("page 0") << "page=0" << 0;
        QTest::newRow("beyond the last page") << "page=6" << 0;
    }
    void the_document_opens_at_its_place() {
        QFETCH(QString, parameters);
        QFETCH(int, page);
        pdf_component c(nullptr);
        c.resize(700, 600);
        c.show();
        c.set_src(fixture_.path("places.pdf"), parse_place(parameters));
        QTRY_VERIFY(shows_page(c, page));
        QVERIFY(c.message().isEmpty());
        QVERIFY(!c.search()->is_open());
        QVERIFY(!c.navigation()->can_go_back()); // where it opened is no jump to come back from
    }

    // A search asked for by the place, or typed as soon as the document shows,
    // stays as it was when the copy with the form fields drawn in replaces it.
    void a_search_opens_on_its_first_hit_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("typed"); // Ctrl+F and the word, without Enter
        QTest::newRow("asked by the place") << "places.pdf" << false;
        QTest::newRow("asked by the place, fields drawn in") << "champs.pdf" << false;
        QTest::newRow("typed, fields drawn in") << "champs.pdf" << true;
    }
    void a_search_opens_on_its_first_hit() {
        QFETCH(QString, file);
        QFETCH(bool, typed);
        pdf_component c(nullptr);
        c.resize(700, 600);
        c.show();
        QObject scope;
        if (typed) // before anything is painted: the copy comes after the first paint
            connect(&c, &pdf_component::document_shown, &scope, [&] {
                QKeyEvent ctrl_f(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier);
                c.handle_key(&ctrl_f, key_origin::reader_window);
                QTest::keyClicks(c.search()->field(), "REMISE");
            });
        c.set_src(fixture_.path(file), typed ? document_place{} : parse_place("search=REMISE"));
        QVERIFY(probe::opened(c));
        if (file == "champs.pdf") // the copy shows
            QTRY_VERIFY(c.document() && c.document()->bytes() != champs_);
        QVERIFY(c.search()->is_open());
        QCOMPARE(c.search()->field()->text(), QStringLiteral("REMISE"));
        if (typed) {
            QVERIFY(c.search()->field()->hasFocus()); // the word can be finished
            return;
        }
        QTRY_VERIFY(c.search()->current_hit() >= 0);
        QCOMPARE(c.search()->hit_count(), 1);
        QCOMPARE(c.search()->hits().front().page, 2);
        QTRY_VERIFY(shows_page(c, 2));
    }

    // The host's value goes through the opening routine; its place through the tick.
    void the_hosts_value_opens_at_its_place() {
        samples::write_file("W_intlog.wdo", samples::exchange_file(
                                                {{"DOC:FCAIS", "places.pdf#nameddest=chapitre"}}));
        load_form<menu_pdf>().show_modeless();
        QCOMPARE(find_form<affic_pdf>()->Timer1->interval(), 250);
        QCOMPARE(shared().requested_path, fixture_.path("places.pdf"));
        QTRY_VERIFY(component()->document() != nullptr);
        QTRY_VERIFY(shows_page(*component(), 3));
        QVERIFY(fixture_.messages.isEmpty());
    }

    // Started again, the help shows the host's new value through the same routine
    // (its debounce and wait are the opening routine's own, tested with it).
    void a_new_start_shows_the_hosts_new_value() {
        samples::write_file("W_intlog.wdo", samples::exchange_file({{"DOC:FCAIS", "places.pdf"}}));
        menu_pdf& menu = load_form<menu_pdf>();
        menu.show_modeless();
        QTRY_VERIFY(component()->document() != nullptr);
        samples::write_file("W_intlog.wdo",
                            samples::exchange_file({{"DOC:FCAIS", "places.pdf#page=5"}}));
        fixture_.now += 1;
        menu.show_host_document();
        QTRY_VERIFY(shows_page(*component(), 4));
        QVERIFY(fixture_.messages.isEmpty());
    }
};

KRV_TEST_MAIN(test_places)
#include "test_places.moc"
