// Links inside the pages: read after the first page shows, followed to the right
// page and place, addresses handed on only for the web and mail, everything else
// refused with a French reason; back and forth between the places they led to.
#include "pixels.h"
#include "reader_probe.h"
#include "test_documents.h"
#include "test_main.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

using namespace krv;
using samples::link_row;

Q_DECLARE_METATYPE(krv::samples::link_row)

class test_links : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<pdf_component> open_links() {
        auto c = probe::open_bytes(dir_.filePath("liens.pdf"), samples::links_document());
        if (c && !probe::wait_for_page(*c, 0))
            return nullptr;
        return c;
    }
    static void click(pdf_component& c, link_row row) {
        QTest::mouseClick(c.view()->viewport(), Qt::LeftButton, {},
                          probe::on_screen(c, 0, samples::link_row_rect(row)));
    }
    static bool key(pdf_component& c, int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        return c.handle_key(&event, key_origin::reader_window);
    }
    // Reaches a link by Tab or Shift+Tab, checks its ring and what a screen
    // reader hears, and follows it with Enter.
    static bool follow_by_keyboard(pdf_component& c, link_row row, bool forward) {
        page_view* v = c.view();
        c.activateWindow();
        if (!QTest::qWaitForWindowActive(&c))
            return false;
        c.page_field()->setFocus(); // the pages are reached from elsewhere
        v->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        const int last = int(link_row::count) - 1;
        for (int i = forward ? -1 : last; i != int(row); i += forward ? 1 : -1)
            if (!key(c, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                     forward ? Qt::NoModifier : Qt::ShiftModifier))
                return false;
        const pdf_rect r = samples::link_row_rect(row);
        const QPoint corner = v->to_viewport(0, {r.left, 842 - r.top}).toPoint();
        const QImage shot = probe::settled(*v);
        const QColor ring = v->palette().color(QPalette::Active, QPalette::Highlight);
        return pixels::near(shot.pixelColor(corner.x() - 3, corner.y() + 2), ring, 10) &&
               v->accessibleDescription().startsWith(QStringLiteral("Lien")) &&
               key(c, Qt::Key_Return);
    }
    static void alt_key(pdf_component& c, Qt::Key key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::AltModifier);
        QVERIFY(c.handle_key(&event, key_origin::other_window));
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void every_link_of_the_page_is_read() {
        auto c = open_links();
        QVERIFY(c);
        QCOMPARE(c->navigation()->annotations_of(0)->links.size(), std::size_t(link_row::count));
        QCOMPARE(c->navigation()->annotations_of(0)->notes.size(), std::size_t(0));
    }

    // Followed by a click, or by keyboard: Tab from the pages (Shift+Tab from
    // beyond them, the last link first) to the link, its ring, then Enter.
    void a_click_lands_on_the_page_and_place_data() {
        QTest::addColumn<link_row>("row");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("band"); // the band at the top of the view; -1: the page's top
        QTest::addColumn<QString>("by");
        QTest::newRow("explicit /XYZ") << link_row::explicit_xyz << 2 << 3 << "click";
        QTest::newRow("named, in the name tree") << link_row::named_string << 1 << 2 << "click";
        QTest::newRow("named, in the old /Dests, /FitH") << link_row::old_name << 3 << 5 << "click";
        QTest::newRow("GoTo to << /D >>, /FitR") << link_row::wrapped_name << 4 << 1 << "click";
        QTest::newRow("/Fit: the page's top") << link_row::fit_page << 4 << -1 << "click";
        QTest::newRow("next page") << link_row::next_page << 1 << -1 << "click";
        QTest::newRow("Tab, Enter") << link_row::named_string << 1 << 2 << "tab";
        QTest::newRow("Shift+Tab, Enter") << link_row::fit_page << 4 << -1 << "backtab";
    }
    void a_click_lands_on_the_page_and_place() {
        QFETCH(link_row, row);
        QFETCH(int, page);
        QFETCH(int, band);
        QFETCH(QString, by);
        auto c = open_links();
        QVERIFY(c);
        if (by == "click")
            click(*c, row);
        else
            QVERIFY(follow_by_keyboard(*c, row, by == "tab"));
        QTRY_COMPARE(c->view()->current_page(), page);
        if (band >= 0) {
            QVERIFY2(pixels::near(probe::top_colour(*c), samples::band_colour(band), 16),
                     qPrintable(probe::top_colour(*c).name()));
            // Not a band lower either: the band's top stands just above the view.
            const int below = static_cast<int>(60 * c->view()->zoom() * 96 / 72);
            const QImage shot = c->view()->viewport()->grab().toImage();
            QVERIFY(pixels::near(shot.pixelColor(shot.width() / 2, below),
                                 samples::band_colour(band), 16));
        } else {
            // The page's top, its margin showing above it.
            const double top = c->view()->to_viewport(page, {0, 0}).y();
            QVERIFY2(top >= 0 && top <= 10, qPrintable(QString::number(top)));
        }
    }

    void back_and_forth_between_places() {
        auto c = open_links();
        QVERIFY(c);
        QVERIFY(!c->navigation()->can_go_back());
        QToolButton* forward = nullptr;
        for (QToolButton* b : c->findChildren<QToolButton*>())
            if (b->toolTip().startsWith(QStringLiteral("Aller à l’endroit suivant")))
                forward = b;
        QVERIFY(forward && !forward->isEnabled());
        c->view()->verticalScrollBar()->setValue(40); // read a little down the first page
        const auto start = c->view()->top_place();
        click(*c, link_row::explicit_xyz);
        QTRY_COMPARE(c->view()->current_page(), 2);
        const auto landed = c->view()->top_place();
        QVERIFY(c->navigation()->can_go_back());
        alt_key(*c, Qt::Key_Left);
        QCOMPARE(c->view()->top_place().first, start.first);
        QVERIFY(std::abs(c->view()->top_place().second.y() - start.second.y()) < 2);
        QVERIFY(c->navigation()->can_go_forward());
        alt_key(*c, Qt::Key_Right);
        QCOMPARE(c->view()->top_place().first, landed.first);
        // The mouse's back button and the toolbar's do the same.
        QTest::mouseClick(c->view()->viewport(), Qt::BackButton, {}, QPoint(20, 20));
        QCOMPARE(c->view()->current_page(), 0);
        QVERIFY(forward->isEnabled());
        forward->click();
        QCOMPARE(c->view()->current_page(), 2);
        QVERIFY(!forward->isEnabled());
        // A new jump from an earlier place forgets what lay ahead.
        alt_key(*c, Qt::Key_Left);
        click(*c, link_row::named_string);
        QTRY_COMPARE(c->view()->current_page(), 1);
        QVERIFY(!c->navigation()->can_go_forward());
    }

    void addresses_go_out_as_a_request_data() {
        QTest::addColumn<link_row>("row");
        QTest::addColumn<QString>("address");
        QTest::newRow("https") << link_row::web_address << samples::web_address;
        QTest::newRow("mailto") << link_row::mail_address << samples::mail_address;
    }
    void addresses_go_out_as_a_request() {
        QFETCH(link_row, row);
        QFETCH(QString, address);
        auto c = open_links();
        QVERIFY(c);
        QSignalSpy asked(c.get(), &pdf_component::open_url_requested);
        QSignalSpy told(c.get(), &pdf_component::notice);
        click(*c, row);
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked.at(0).at(0).toUrl(), QUrl(address));
        QCOMPARE(told.count(), 0);
        QCOMPARE(c->view()->current_page(), 0);
    }

    void what_a_document_must_not_do_is_refused_data() {
        QTest::addColumn<link_row>("row");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file: address")
            << link_row::file_address
            << QStringLiteral("Ce lien mène à «\u00a0file:///etc/passwd\u00a0», que l’aide "
                              "n’ouvre pas\u00a0: seules les adresses web (http, https) et de "
                              "courrier (mailto) s’ouvrent.");
        QTest::newRow("launch") << link_row::launch
                                << QStringLiteral("Ce lien demande de lancer «\u00a0/usr/bin/"
                                                  "xterm\u00a0»\u00a0: l’aide ne lance aucun "
                                                  "programme depuis un document.");
        QTest::newRow("script") << link_row::script
                                << QStringLiteral(
                                       "Ce lien demande une action que l’aide n’exécute pas.");
        QTest::newRow("unknown name") << link_row::unknown_name
                                      << QStringLiteral("Ce lien mène à un endroit qui n’existe "
                                                        "pas dans le document.");
    }
    void what_a_document_must_not_do_is_refused() {
        QFETCH(link_row, row);
        QFETCH(QString, reason);
        auto c = open_links();
        QVERIFY(c);
        QSignalSpy asked(c.get(), &pdf_component::open_url_requested);
        QSignalSpy told(c.get(), &pdf_component::notice);
        click(*c, row);
        QCOMPARE(asked.count(), 0);
        QCOMPARE(told.count(), 1);
        QCOMPARE(told.at(0).at(0).toString(), reason);
        QCOMPARE(c->view()->current_page(), 0);
    }

    void the_pointer_shows_where_a_link_leads() {
        auto c = open_links();
        QVERIFY(c);
        page_view* v = c->view();
        const QPoint web = probe::on_screen(*c, 0, samples::link_row_rect(link_row::web_address));
        QTest::mouseMove(v->viewport(), web);
        QTRY_COMPARE(v->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(v->viewport(), QPoint(v->viewport()->width() - 20, web.y()));
        QTRY_COMPARE(v->viewport()->cursor().shape(), Qt::ArrowCursor);
        const auto spot = [&](link_row row) {
            const pdf_rect r = samples::link_row_rect(row);
            return v->from_viewport(probe::on_screen(*c, 0, r));
        };
        auto [page, point] = spot(link_row::web_address);
        QCOMPARE(link_tooltip(c->navigation()->annotations_of(page)->links[5].action),
                 QString(samples::web_address));
        std::tie(page, point) = spot(link_row::explicit_xyz);
        QCOMPARE(link_tooltip(c->navigation()->annotations_of(page)->links[0].action),
                 QStringLiteral("Page 3"));
    }

    // The text kept of a note, whatever its encoding: at most 2,000 characters, "…" after.
    void a_note_keeps_the_start_of_a_long_text_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        const QString clef = QString::fromUtf8("\U0001D11E"); // two UTF-16 units
        QTest::newRow("UTF-16") << QString(2001, u'λ') << QString(2000, u'λ') + u'…';
        QTest::newRow("PDFDocEncoding") << QString(5000, u'é') << QString(2000, u'é') + u'…';
        QTest::newRow("beyond 16 bits") << clef.repeated(2500) << clef.repeated(2000) + u'…';
    }
    void a_note_keeps_the_start_of_a_long_text() {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        samples::pdf_builder pdf;
        pdf.add_page({});
        pdf.add_note(0, {100, 100, 200, 200}, "Note", {1, 1, 0}, text.toStdString());
        auto c = probe::open_bytes(dir_.filePath("note.pdf"), pdf.write());
        QVERIFY(c && probe::wait_for_page(*c, 0));
        QCOMPARE(QString::fromStdString(c->navigation()->annotations_of(0)->notes.at(0).contents),
                 kept);
    }

    void a_drag_over_a_link_does_not_follow_it() {
        auto c = open_links();
        QVERIFY(c);
        QSignalSpy asked(c.get(), &pdf_component::open_url_requested);
        const QPoint web = probe::on_screen(*c, 0, samples::link_row_rect(link_row::web_address));
        QTest::mousePress(c->view()->viewport(), Qt::LeftButton, {}, web);
        QTest::mouseRelease(c->view()->viewport(), Qt::LeftButton, {}, web + QPoint(0, 60));
        QCOMPARE(asked.count(), 0);
    }
};

KRV_TEST_MAIN(test_links)
#include "test_links.moc"
