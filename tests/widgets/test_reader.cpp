// Reading a document in the viewer's component: search, zoom, pages, outline,
// printing, copying, passwords and a file that changes while it is shown.
#include "pdf_component.h"
#include "pixels.h"
#include "printing.h"
#include "reader_probe.h"
#include "sample_pdf.h"
#include "test_main.h"
#include "text_search.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>

using namespace krv;
using samples::text_page;

namespace {

const QColor shades[] = {QColor(250, 200, 200), QColor(200, 250, 200), QColor(200, 200, 250),
                         QColor(250, 250, 190), QColor(230, 200, 250)};

std::vector<text_page> five_pages() {
    std::vector<text_page> pages;
    for (int i = 0; i < 5; ++i)
        pages.push_back({shades[i],
                         {QStringLiteral("Chapitre %1").arg(i + 1), "Texte courant de la page.",
                          i == 2 ? "Le Règlement des factures." : "Rien de plus ici.",
                          i == 4 ? "Dernier REGLEMENT, puis l’œuvre." : ""}});
    return pages;
}

} // namespace

class test_reader : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

    std::unique_ptr<pdf_component> open(const QString& file) {
        auto component = std::make_unique<pdf_component>(nullptr);
        component->resize(700, 600);
        component->show();
        component->set_src(path(file));
        probe::opened(*component);
        return component;
    }
    // Searches a word and waits until every page has been looked through.
    static void search_all(pdf_component& c, const QString& word) {
        c.search()->find(word);
        QTRY_VERIFY(!c.search()->running());
    }
    QColor shown_colour(pdf_component& c) { return pixels::dominant_colour(c.view()->viewport()); }
    // A left-button event at a point of the pages, at a time of its own (QTest
    // spaces its clicks too far apart for a triple click).
    static void left(page_view* v, QEvent::Type type, QPoint at, ulong time) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, v->viewport()->mapToGlobal(at), Qt::LeftButton, held, {});
        e.setTimestamp(time);
        QApplication::sendEvent(v->viewport(), &e);
    }
    // Clicks `count` times in a row at a point of the pages.
    static void click(page_view* v, QPoint at, int count) {
        for (int i = 0; i < count; ++i) {
            left(v, QEvent::MouseButtonPress, at, 1000 + 100 * i);
            if (i == 1)
                left(v, QEvent::MouseButtonDblClick, at, 1100);
            left(v, QEvent::MouseButtonRelease, at, 1001 + 100 * i);
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(
            samples::write_text_pdf(path("cinq.pdf"), five_pages(),
                                    {{"Début", 0, 0}, {"Le règlement", 2, 400}, {"Fin", 4, 0}}));
        QVERIFY(samples::write_text_pdf(path("plat.pdf"), {{Qt::white, {"Sans sommaire"}}}));
    }
    void cleanup() { set_password_prompt({}); }

    // ------------------------------------------------------------ page texts
    // A store of its own on the shown document: the pages come from the chosen one
    // on, round to it, each once, folded the way searches compare.
    void text_store_extracts_from_a_page_round_to_it_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("first") << 0 << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("middle") << 2 << QList<int>{2, 3, 4, 0, 1};
        QTest::newRow("last") << 4 << QList<int>{4, 0, 1, 2, 3};
        QTest::newRow("beyond the end") << 9 << QList<int>{4, 0, 1, 2, 3};
    }
    void text_store_extracts_from_a_page_round_to_it() {
        QFETCH(int, from);
        QFETCH(QList<int>, order);
        auto c = open("cinq.pdf");
        text_store store(c->document());
        QList<int> came;
        connect(&store, &text_store::page_extracted, [&](int page) { came << page; });
        QSignalSpy completed(&store, &text_store::completed);
        store.extract_from(from, pdf_priority::search);
        QTRY_COMPARE(completed.size(), 1);
        QCOMPARE(came, order);
        QVERIFY(store.text(2)->folded.contains("le reglement des factures"));
        QVERIFY(store.text(4)->folded.contains("dernier reglement")); // case and accents
        QVERIFY(!store.text(5));
    }
    void text_store_stops_when_asked() {
        auto c = open("cinq.pdf");
        pdf_thread* thread = c->document()->thread();
        text_store store(c->document());
        store.extract_from(0);
        store.stop();
        // Jobs behind the store's steps, one after another: an extraction going on
        // would have taken a page at each (the one asked before the stop may come).
        for (int round = 0; round < 3; ++round) {
            bool ran = false;
            thread->post(*c->document(), pdf_priority::background,
                         [&, thread](QPdfDocument&) { thread->reply([&] { ran = true; }); });
            QTRY_VERIFY(ran);
        }
        QVERIFY(store.extracted_count() <= 1);
        store.extract_from(3);
        QTRY_VERIFY(store.complete());
    }

    // ------------------------------------------------------------ search
    void hits_in_reading_order_across_pages() {
        auto c = open("cinq.pdf");
        c->search()->open();
        QVERIFY(c->search()->is_open());
        search_all(*c, "reglement");
        QCOMPARE(c->search()->hit_count(), 2);
        QCOMPARE(c->search()->hits()[0].page, 2);
        QCOMPARE(c->search()->hits()[1].page, 4);
        QCOMPARE(c->search()->current_hit(), 0);
        QCOMPARE(c->search()->status(), QStringLiteral("1 sur 2"));
        QTRY_COMPARE(c->view()->current_page(), 2);
        c->search()->find_next();
        QCOMPARE(c->search()->current_hit(), 1);
        QTRY_COMPARE(c->view()->current_page(), 4);
        c->search()->find_next(); // wraps round
        QCOMPARE(c->search()->current_hit(), 0);
        c->search()->find_previous();
        QCOMPARE(c->search()->current_hit(), 1);
        search_all(*c, "ŒUVRE");
        QCOMPARE(c->search()->hit_count(), 1);
        search_all(*c, "introuvable");
        QCOMPARE(c->search()->status(), QStringLiteral("Aucun résultat"));
    }

    // F3 and Shift+F3 (the bar's arrows too) go through the hits of the word in
    // the field: edited since it was searched, it is searched first.
    void f3_searches_the_word_in_the_field_data() {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("step");
        QTest::newRow("F3") << int(Qt::NoModifier) << 1;
        QTest::newRow("Shift+F3") << int(Qt::ShiftModifier) << -1;
    }
    void f3_searches_the_word_in_the_field() {
        QFETCH(int, modifiers);
        QFETCH(int, step);
        auto c = open("cinq.pdf");
        c->search()->open();
        QTest::keyClicks(c->search()->field(), "reglement");
        QTest::keyClick(c->search()->field(), Qt::Key_Return);
        QTRY_COMPARE(c->view()->current_page(), 2); // at the first hit
        c->search()->field()->setText("chapitre");
        const QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::KeyboardModifiers(modifiers));
        QVERIFY(c->handle_key(&f3, key_origin::reader_window));
        QTRY_VERIFY(!c->search()->running() && c->search()->current_hit() >= 0);
        QCOMPARE(c->search()->hit_count(), 5);
        const int first = c->search()->current_hit();
        QCOMPARE(c->search()->hits()[static_cast<std::size_t>(first)].page,
                 2);                                   // from the page being read
        c->handle_key(&f3, key_origin::reader_window); // the same word: the next hit, or back
        QCOMPARE(c->search()->current_hit(), (first + step + 5) % 5);
        // Said, as "2 sur 5", to a screen reader, the focus left in the field.
        QTRY_COMPARE(c->findChild<QWidget*>("annonce")->accessibleName(), c->search()->status());
    }

    // Qt PDF gives a page's text modulo 65,536 characters: a longer page is said
    // to be searched in part; a shorter one is searched whole, and says nothing.
    void a_long_page_is_said_searched_in_part_data() {
        QTest::addColumn<int>("lines"); // of 100 characters, the word on every 50th
        QTest::addColumn<bool>("whole");
        QTest::newRow("60,000 characters") << 600 << true;
        QTest::newRow("70,000 characters") << 700 << false;
        QTest::newRow("140,000 characters") << 1400 << false;
    }
    void a_long_page_is_said_searched_in_part() {
        QFETCH(int, lines);
        QFETCH(bool, whole);
        text_page page;
        page.line_gap = 780.0 / lines;
        page.font_size = page.line_gap * 0.8;
        for (int i = 0; i < lines; ++i)
            page.lines << QStringLiteral("%1 %2 ")
                                  .arg(i % 50 ? "texte" : "ligne")
                                  .arg(i, 4, 10, QChar(u'0')) +
                              QString(89, u'x');
        const QString name = QStringLiteral("long_%1.pdf").arg(lines);
        QVERIFY(samples::write_text_pdf(path(name), {page}));
        auto c = open(name);
        search_all(*c, "ligne");
        const QString note = QStringLiteral(" — recherche partielle\u00a0: page 1 trop longue");
        QCOMPARE(c->search()->hit_count() == lines / 50, whole);
        QVERIFY2(c->search()->status().endsWith(note) != whole, qPrintable(c->search()->status()));
    }

    void search_starts_at_the_page_being_read() {
        auto c = open("cinq.pdf");
        c->go_to_page_number(4);
        QCOMPARE(c->view()->current_page(), 3);
        search_all(*c, "reglement");
        QCOMPARE(c->search()->hit_count(), 2);
        QCOMPARE(c->search()->current_hit(), 1); // page 5's, the first from page 4 on
        QTRY_COMPARE(c->view()->current_page(), 4);
        c->go_to_page_number(5);
        search_all(*c, "chapitre");
        QCOMPARE(c->search()->hits()[static_cast<std::size_t>(c->search()->current_hit())].page, 4);
    }

    void the_found_word_is_painted_over_the_page() {
        auto c = open("cinq.pdf");
        search_all(*c, "Règlement");
        QCOMPARE(c->search()->hit_count(), 2);
        QTRY_VERIFY(c->search()->rectangles(c->search()->hits()[0]));
        const auto rects = *c->search()->rectangles(c->search()->hits()[0]);
        QCOMPARE(rects.size(), std::size_t(1));
        // The word's rectangle is on the third page's text line, 20 points below the second.
        QVERIFY(rects[0].top() > 70 && rects[0].bottom() < 90);
        const QRectF mark(c->view()->to_viewport(2, rects[0].topLeft()),
                          rects[0].size() * (c->view()->zoom() * 96.0 / 72.0));
        auto orange_share = [&](const QImage& shot) {
            int orange = 0, all = 0;
            for (int y = int(mark.top()) + 1; y < int(mark.bottom()); ++y)
                for (int x = int(mark.left()) + 1; x < int(mark.right()); ++x, ++all) {
                    const QColor p = shot.pixelColor(x, y);
                    orange += p.red() > 200 && p.blue() < 150;
                }
            return all ? double(orange) / all : 0.0;
        };
        // Orange over the page's green: the current hit stands out.
        QTRY_VERIFY(orange_share(probe::settled(*c->view())) > 0.3);
        const QPointF beside = c->view()->to_viewport(2, rects[0].topLeft() + QPointF(0, 30));
        QVERIFY(pixels::near(c->view()->viewport()->grab().toImage().pixelColor(beside.toPoint()),
                             shades[2], 20));
        c->search()->close();
        QTRY_VERIFY(orange_share(c->view()->viewport()->grab().toImage()) < 0.01);
    }

    // Text that does not show whole (past the page's right edge, cut off by its
    // crop box) is neither counted nor lit; on a turned page a hit is lit where it
    // shows; a word cut at a line's end ("re-", "mise") is one hit, on both lines.
    void only_what_shows_is_found_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QSizeF>("shown"); // the page's size as shown
        QTest::newRow("plain") << "plain" << QSizeF(595, 842);
        QTest::newRow("a word cut at a line end") << "cut at a line end" << QSizeF(595, 842);
        QTest::newRow("a line past the right edge") << "past the edge" << QSizeF(595, 842);
        QTest::newRow("a word cut by the right edge") << "cut by the edge" << QSizeF(595, 842);
        QTest::newRow("cropped") << "cropped" << QSizeF(595, 421);
        QTest::newRow("turned") << "turned" << QSizeF(842, 595);
    }
    void only_what_shows_is_found() {
        QFETCH(QString, shape);
        QFETCH(QSizeF, shown);
        samples::pdf_builder pdf;
        samples::page_layout layout;
        if (shape == "cropped")
            layout.crop_box = pdf_rect{0, 0, 595, 421};
        layout.rotate = shape == "turned" ? 90 : 0;
        pdf.add_page(layout);
        const bool cut = shape == "cut at a line end";
        pdf.add_text(0, 72, shape == "turned" ? 700 : 200, 14,
                     cut ? "Conditions de re-" : "Conditions de remise");
        if (cut)
            pdf.add_text(0, 72, 180, 14, "mise en place");
        if (shape == "past the edge")
            pdf.add_text(0, 520, 300, 14, "ligne de code bien trop longue : remise");
        if (shape == "cut by the edge")
            pdf.add_text(0, 520, 300, 14, "code : remise");
        if (shape == "cropped")
            pdf.add_text(0, 72, 700, 14, "Une autre remise");
        auto c = probe::open_bytes(path(shape + ".pdf"), pdf.write());
        search_all(*c, "remise");
        QCOMPARE(c->search()->hit_count(), 1);
        QTRY_VERIFY(c->search()->rectangles(c->search()->hits()[0]));
        const std::vector<QRectF> lit = *c->search()->rectangles(c->search()->hits()[0]);
        QCOMPARE(lit.size(), std::size_t(cut ? 2 : 1));
        for (const QRectF& r : lit)
            QVERIFY(QRectF(QPointF(), shown).contains(r));
    }

    // ------------------------------------------------------------ zoom and pages
    // A zoom step placed whole before its pictures are asked for: one render of
    // what shows, not a first one of a place the view is only passing through.
    void zoom_step_renders_once_data() {
        QTest::addColumn<double>("from");
        QTest::addColumn<QString>("step");
        QTest::newRow("in") << 2.0 << "in";
        QTest::newRow("out") << 3.0 << "out";
        QTest::newRow("in at 400 %") << 3.2 << "in";
        QTest::newRow("to a factor") << 2.0 << "2.6";
    }
    void zoom_step_renders_once() {
        QFETCH(double, from);
        QFETCH(QString, step);
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        QTRY_VERIFY(c->text()->complete()); // nothing else for the pdf thread meanwhile
        v->set_zoom(from);
        v->go_to_point(2, {200, 300}); // inside one page, its middle across
        QVERIFY(!probe::settled(*v).isNull());
        const quint64 before = c->document()->thread()->jobs_run();
        if (step == "in")
            v->zoom_in();
        else if (step == "out")
            v->zoom_out();
        else
            v->set_zoom(step.toDouble());
        QVERIFY(!probe::settled(*v).isNull());
        QCOMPARE(c->document()->thread()->jobs_run() - before, quint64(1));
    }

    void zoom_is_clamped_and_keeps_the_place() {
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        QCOMPARE(v->mode(), page_view::zoom_mode::fit_width);
        c->go_to_page_number(3);
        QCOMPARE(v->current_page(), 2);
        v->set_zoom(2.0);
        QCOMPARE(v->current_page(), 2);
        QCOMPARE(c->zoom_label()->text(), QStringLiteral("200\u00a0%"));
        v->set_zoom(100.0);
        QCOMPARE(v->zoom(), page_view::max_zoom);
        QCOMPARE(v->current_page(), 2);
        for (int i = 0; i < 20; ++i)
            v->zoom_out();
        QCOMPARE(v->zoom(), page_view::min_zoom);
        v->set_zoom_mode(page_view::zoom_mode::fit_page);
        QVERIFY(v->zoom() < 1.0);
        v->set_zoom(4.0); // very large pages render in parts: the cache stays small
        probe::settled(*v);
        QVERIFY(v->cache_pixels() <= v->cache_budget());
    }

    // At a small zoom several pages show whole: the current one is the page gone
    // to, the first at Home, the last at End.
    void page_entry_and_keys_data() {
        QTest::addColumn<double>("zoom"); // 0: fitted to the width
        QTest::newRow("fitted to the width") << 0.0;
        QTest::newRow("25 %") << 0.25;
    }
    void page_entry_and_keys() {
        QFETCH(double, zoom);
        auto c = open("cinq.pdf");
        c->resize(700, 800); // at 25 %, the middle of the view is on the second page
        QCOMPARE(c->page_total()->text(), QStringLiteral("/ 5"));
        QCOMPARE(c->page_field()->text(), QStringLiteral("1"));
        if (zoom > 0)
            c->view()->set_zoom(zoom);
        c->page_field()->setText("4");
        QTest::keyClick(c->page_field(), Qt::Key_Return);
        QCOMPARE(c->view()->current_page(), 3);
        QTest::keyClick(c->view(), Qt::Key_End);
        QCOMPARE(c->view()->current_page(), 4);
        QCOMPARE(c->page_field()->text(), QStringLiteral("5"));
        QTest::keyClick(c->view(), Qt::Key_Home);
        QCOMPARE(c->view()->current_page(), 0);
        QCOMPARE(c->page_field()->text(), QStringLiteral("1"));
        const int top = c->view()->verticalScrollBar()->value();
        QTest::keyClick(c->view(), Qt::Key_PageDown);
        QVERIFY(c->view()->verticalScrollBar()->value() > top);
        const double before = c->view()->zoom();
        QTest::keyClick(c->view(), Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(c->view()->zoom() > before);
        QCOMPARE(c->view()->mode(), page_view::zoom_mode::factor);
    }

    // The page field shows a page's label beside its number; Ctrl+G takes a label
    // (first) or a number; an entry that leads nowhere is said, nothing moves.
    void pages_by_label_or_number_data() {
        QTest::addColumn<bool>("labelled"); // i to iv, then 1 to 6
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("page"); // from 0; -1: unknown, the first page stays
        QTest::addColumn<QString>("shown");
        QTest::newRow("a label") << true << "iv" << 3 << "iv (4 / 10)";
        QTest::newRow("a label in capitals") << true << "IV" << 3 << "iv (4 / 10)";
        QTest::newRow("a number that is a label") << true << "2" << 5 << "2 (6 / 10)";
        QTest::newRow("a number that is no label") << true << "9" << 8 << "5 (9 / 10)";
        QTest::newRow("neither") << true << "xl" << -1 << "xl (1 / 10)"; // the entry stays
        QTest::newRow("no labels: a number") << false << "2" << 1 << "2 / 10";
        QTest::newRow("no labels: no number") << false << "iv" << -1 << "iv / 10";
    }
    void pages_by_label_or_number() {
        QFETCH(bool, labelled);
        QFETCH(QString, entry);
        QFETCH(int, page);
        QFETCH(QString, shown);
        const QString name = labelled ? "libelles.pdf" : "numeros.pdf";
        QVERIFY(samples::write_text_pdf(
            path(name), std::vector<text_page>(10, text_page{Qt::white, {"Texte"}}), {},
            labelled ? "<< /Nums [0 << /S /r >> 4 << /S /D >>] >>" : ""));
        auto c = open(name);
        QTRY_COMPARE(c->page_total()->text(), labelled ? "(1 / 10)" : "/ 10"); // labels read
        QToolTip::hideText();
        QKeyEvent ctrl_g(QEvent::KeyPress, Qt::Key_G, Qt::ControlModifier);
        QVERIFY(c->handle_key(&ctrl_g, key_origin::reader_window));
        QTRY_VERIFY(c->page_field()->hasFocus());
        QTest::keyClicks(c->page_field(), entry);
        QTest::keyClick(c->page_field(), Qt::Key_Return);
        QCOMPARE(c->view()->current_page(), std::max(page, 0));
        if (page < 0)
            QTRY_VERIFY(QToolTip::text().contains(QStringLiteral("Aucune page «\u00a0") + entry));
        QCOMPARE(c->page_field()->text() + ' ' + c->page_total()->text(), shown);
        c->view()->setFocus(); // an entry left there gives way to the page read
        QCOMPARE(c->page_field()->text(), page >= 0  ? shown.section(' ', 0, 0)
                                          : labelled ? "i"
                                                     : "1");
    }

    // A double click selects a word, a triple click its line; the middle button
    // drags the pages.
    // A document chosen again in the run opens where it was left, at its zoom,
    // unless the request gives a place of its own.
    void a_document_chosen_again_opens_where_it_was_left_data() {
        QTest::addColumn<int>("asked_page"); // 0: none
        QTest::addColumn<int>("page");
        QTest::addColumn<double>("zoom"); // 0: fitted to the width
        QTest::newRow("no place asked") << 0 << 3 << 1.5;
        QTest::newRow("#page=2 asked") << 2 << 1 << 0.0;
    }
    void a_document_chosen_again_opens_where_it_was_left() {
        QFETCH(int, asked_page);
        QFETCH(int, page);
        QFETCH(double, zoom);
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        const double fitted = v->zoom();
        c->go_to_page_number(4);
        v->set_zoom(1.5);
        v->verticalScrollBar()->setValue(v->verticalScrollBar()->value() + 100);
        const auto left = v->top_place();
        c->set_src(path("plat.pdf"));
        QTRY_COMPARE(v->page_count(), 1);
        document_place place;
        place.page = asked_page;
        c->set_src(path("cinq.pdf"), place);
        QTRY_COMPARE(v->page_count(), 5);
        QTRY_COMPARE(v->current_page(), page);
        QCOMPARE(v->zoom(), zoom > 0 ? zoom : fitted);
        if (asked_page == 0)
            QVERIFY(std::abs(v->top_place().second.y() - left.second.y()) < 2);
    }

    void the_mouse_over_the_pages_data() {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("selected");
        QTest::newRow("double click") << "2"
                                      << "Règlement";
        QTest::newRow("triple click") << "3"
                                      << "Le Règlement des factures.";
        QTest::newRow("middle button") << "middle"
                                       << "";
    }
    void the_mouse_over_the_pages() {
        QFETCH(QString, gesture);
        QFETCH(QString, selected);
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        c->go_to_page_number(3);
        const QPoint word = v->to_viewport(2, {100, 78}).toPoint(); // in "Règlement"
        if (gesture == "middle") {
            const int top = v->verticalScrollBar()->value();
            QTest::mousePress(v->viewport(), Qt::MiddleButton, {}, word);
            QTest::mouseMove(v->viewport(), word - QPoint(0, 120));
            QTest::mouseRelease(v->viewport(), Qt::MiddleButton, {}, word - QPoint(0, 120));
            QCOMPARE(v->verticalScrollBar()->value(), top + 120);
        } else {
            click(v, word, gesture.toInt());
        }
        QTRY_COMPARE(v->selected_text(), selected);
        QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier);
        if (!selected.isEmpty())
            QTRY_COMPARE(QApplication::clipboard()->text(), selected);
    }

    // The pages' menu, by the right button, the Menu key or Shift+F10: copy and
    // search the selection, select the page's text.
    void the_pages_menu_data() {
        QTest::addColumn<QString>("opened_by");
        QTest::addColumn<int>("entry"); // Copier, Tout sélectionner, Rechercher « … »
        QTest::newRow("right button, Copier") << "right" << 0;
        QTest::newRow("Menu key, Tout sélectionner") << "menu" << 1;
        QTest::newRow("Shift+F10, Rechercher") << "shift+f10" << 2;
        QTest::newRow("right button, Couleurs inversées") << "right" << 4;
    }
    void the_pages_menu() {
        QFETCH(QString, opened_by);
        QFETCH(int, entry);
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        c->go_to_page_number(3);
        const QPoint word = v->to_viewport(2, {100, 78}).toPoint();
        click(v, word, 2);
        QTRY_COMPARE(v->selected_text(), QStringLiteral("Règlement"));
        QApplication::clipboard()->clear();
        QContextMenuEvent right(QContextMenuEvent::Mouse, word, v->viewport()->mapToGlobal(word));
        if (opened_by == "right") // as the window system sends after the right button
            QApplication::sendEvent(v->viewport(), &right);
        else if (opened_by == "menu")
            QTest::keyClick(v, Qt::Key_Menu);
        else
            QTest::keyClick(v, Qt::Key_F10, Qt::ShiftModifier);
        QMenu* menu = v->findChild<QMenu*>();
        QVERIFY(menu && menu->isVisible());
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 5); // and a line before the colours
        QCOMPARE(actions[2]->text(), QStringLiteral("Rechercher «\u00a0Règlement\u00a0»"));
        QVERIFY(actions[0]->isEnabled());
        actions[entry]->trigger();
        if (entry == 0)
            QTRY_COMPARE(QApplication::clipboard()->text(), QStringLiteral("Règlement"));
        else if (entry == 1)
            QTRY_VERIFY(v->selected_text().contains("Chapitre 3"));
        else if (entry == 2)
            QTRY_VERIFY(c->search()->is_open() && c->search()->hit_count() == 2);
        else
            QTRY_VERIFY(pixels::near(shown_colour(*c), QColor(5, 5, 55)));
    }

    // A landscape page among portrait ones: its size, read after the first page
    // showed, takes its place without changing the scale the pages are drawn at.
    void pages_of_other_sizes_take_their_own_place() {
        std::vector<text_page> pages(80, text_page{Qt::white, {"Portrait"}});
        pages[70] = text_page{QColor(200, 250, 200), {"Paysage"}, true};
        QVERIFY(samples::write_text_pdf(path("melange.pdf"), pages));
        auto c = open("melange.pdf");
        page_view* v = c->view();
        auto says_its_zoom = [&] {
            return c->zoom_label()->text() ==
                   QStringLiteral("%1\u00a0%").arg(qRound(v->zoom() * 100));
        };
        const double first_zoom = v->zoom();
        const QPointF first_page = v->to_viewport(0, {0, 0});
        const double portrait_width = v->to_viewport(0, {595, 0}).x() - first_page.x();
        // Sizes are read after the first paint: the landscape page ends up wider than high.
        QTRY_VERIFY([&] {
            const QPointF top_left = c->view()->to_viewport(70, {0, 0});
            const QPointF bottom_right = c->view()->to_viewport(70, {842, 595});
            const QPointF next = c->view()->to_viewport(71, {0, 0});
            return bottom_right.x() - top_left.x() > bottom_right.y() - top_left.y() &&
                   next.y() > bottom_right.y() && next.y() - bottom_right.y() < 20;
        }());
        QCOMPARE(v->zoom(), first_zoom);
        QCOMPARE(v->to_viewport(0, {0, 0}), first_page);
        QVERIFY(says_its_zoom());
        c->go_to_page_number(71);
        QCOMPARE(v->current_page(), 70);
        // "Fit the width" fits the page being read: the landscape one now.
        v->set_zoom_mode(page_view::zoom_mode::fit_width);
        const double landscape_width =
            v->to_viewport(70, {842, 0}).x() - v->to_viewport(70, {}).x();
        QVERIFY(qAbs(landscape_width - portrait_width) <= 1);
        QVERIFY(says_its_zoom());
    }

    // ------------------------------------------------------------ outline and copy
    void outline_leads_to_its_pages() {
        auto c = open("cinq.pdf");
        QTRY_VERIFY(c->navigation()->has_outline()); // read after the first page is on screen
        c->navigation()->show_outline(true);
        QVERIFY(c->navigation()->outline()->isVisible());
        QAbstractItemModel* model = c->navigation()->outline()->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("Le règlement"));
        emit c->navigation()->outline()->activated(model->index(1, 0));
        QTRY_COMPARE(c->view()->current_page(), 2);
        emit c->navigation()->outline()->activated(model->index(2, 0));
        QTRY_COMPARE(c->view()->current_page(), 4);
        auto flat = open("plat.pdf");
        QSignalSpy read(flat.get(), &pdf_component::outline_ready);
        QTRY_COMPARE(read.count(), 1); // read, and empty
        QVERIFY(!flat->navigation()->has_outline());
        flat->navigation()->show_outline(true);
        QVERIFY(!flat->navigation()->outline()->isVisible());
    }

    void select_all_and_copy() {
        auto c = open("cinq.pdf");
        c->go_to_page_number(3);
        QTest::keyClick(c->view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(c->view(), Qt::Key_C, Qt::ControlModifier);
        // The text comes from the pdf thread: copied once it is there.
        QTRY_VERIFY(QApplication::clipboard()->text().contains("Le Règlement des factures."));
        QVERIFY(!QApplication::clipboard()->text().contains("Chapitre 1"));
    }

    // ------------------------------------------------------------ printing
    void printing_pages_2_to_3() {
        auto c = open("cinq.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path("imprime.pdf"));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        const print_outcome done = print_as_pictures(pdf_thread_renderer(c->document()), printer,
                                                     chosen_pages(printer, 5, 0));
        QVERIFY2(done.ok(), qPrintable(done ? QString() : done.error().text));
        QPdfDocument printed;
        QCOMPARE(printed.load(path("imprime.pdf")), QPdfDocument::Error::None);
        QCOMPARE(printed.pageCount(), 2);
        const QImage first = printed.render(0, QSize(60, 85));
        QVERIFY(pixels::near(first.pixelColor(30, 60), shades[1], 12));
        const QImage second = printed.render(1, QSize(60, 85));
        QVERIFY(pixels::near(second.pixelColor(30, 60), shades[2], 12));
    }

    void printing_the_current_page() {
        auto c = open("cinq.pdf");
        c->go_to_page_number(4);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path("courante.pdf"));
        printer.setPrintRange(QPrinter::CurrentPage);
        QVERIFY(print_as_pictures(pdf_thread_renderer(c->document()), printer,
                                  chosen_pages(printer, 5, c->view()->current_page()))
                    .ok());
        QPdfDocument printed;
        QCOMPARE(printed.load(path("courante.pdf")), QPdfDocument::Error::None);
        QCOMPARE(printed.pageCount(), 1);
        QVERIFY(pixels::near(printed.render(0, QSize(60, 85)).pixelColor(30, 60), shades[3], 12));
    }

    // ------------------------------------------------------------ toolbar
    void every_tool_shows_its_picture() {
        auto c = open("cinq.pdf");
        c->search()->open(); // the search bar is made when first used
        const auto buttons = c->findChildren<QToolButton*>();
        QVERIFY(buttons.size() >= 13);
        for (const QToolButton* button : buttons)
            QVERIFY2(!button->icon().pixmap(20).isNull(), qPrintable(button->toolTip()));
    }

    void every_tool_has_a_key_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("effect");
        const int ctrl = Qt::ControlModifier;
        const int ctrl_shift = int(Qt::ControlModifier | Qt::ShiftModifier);
        QTest::newRow("Ctrl+Page Down") << int(Qt::Key_PageDown) << ctrl << "next page";
        QTest::newRow("Ctrl+Page Up") << int(Qt::Key_PageUp) << ctrl << "previous page";
        QTest::newRow("Ctrl+G") << int(Qt::Key_G) << ctrl << "page field";
        QTest::newRow("Ctrl++") << int(Qt::Key_Plus) << ctrl << "zoom in";
        QTest::newRow("Ctrl+Shift++") << int(Qt::Key_Plus) << ctrl_shift << "zoom in";
        QTest::newRow("Ctrl+=") << int(Qt::Key_Equal) << ctrl << "zoom in";
        QTest::newRow("Ctrl+-") << int(Qt::Key_Minus) << ctrl << "zoom out";
        QTest::newRow("Ctrl+L") << int(Qt::Key_L) << ctrl << "fit width";
        QTest::newRow("Ctrl+E") << int(Qt::Key_E) << ctrl << "fit page";
        QTest::newRow("Ctrl+F") << int(Qt::Key_F) << ctrl << "search";
        QTest::newRow("Ctrl+Shift+F") << int(Qt::Key_F) << ctrl_shift << "search every document";
        QTest::newRow("Ctrl+P") << int(Qt::Key_P) << ctrl << "print dialog";
        QTest::newRow("Ctrl+Shift+P") << int(Qt::Key_P) << ctrl_shift << "preview";
        QTest::newRow("F9") << int(Qt::Key_F9) << 0 << "outline";
        QTest::newRow("Ctrl+I") << int(Qt::Key_I) << ctrl << "reversed colours";
        QTest::newRow("Ctrl+Shift+E is no key") << int(Qt::Key_E) << ctrl_shift << "nothing";
    }
    void every_tool_has_a_key() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, effect);
        auto c = open("cinq.pdf");
        c->window()->activateWindow();
        c->go_to_page_number(3);
        c->view()->set_zoom(1.0);
        QString modal; // the class of the modal dialog the key opened, closed at once
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                modal = dialog->metaObject()->className();
                dialog->close();
            }
        });
        if (effect == "outline") // its button shows once the outline has been read
            QTRY_VERIFY(c->navigation()->has_outline());
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        const bool used = c->handle_key(&press, key_origin::reader_window);
        QCOMPARE(used, effect != "nothing");
        page_view* v = c->view();
        if (effect == "next page")
            QCOMPARE(v->current_page(), 3);
        else if (effect == "previous page")
            QCOMPARE(v->current_page(), 1);
        else if (effect == "page field")
            QTRY_VERIFY(c->page_field()->hasFocus());
        else if (effect == "zoom in")
            QVERIFY(v->zoom() > 1.0);
        else if (effect == "zoom out")
            QVERIFY(v->zoom() < 1.0);
        else if (effect == "fit width")
            QCOMPARE(v->mode(), page_view::zoom_mode::fit_width);
        else if (effect == "fit page")
            QCOMPARE(v->mode(), page_view::zoom_mode::fit_page);
        else if (effect == "search")
            QVERIFY(c->search()->is_open() && !c->search()->every_document());
        else if (effect == "search every document")
            QVERIFY(c->search()->is_open() && c->search()->every_document());
        else if (effect == "print dialog")
            QCOMPARE(modal, QStringLiteral("QPrintDialog"));
        else if (effect == "preview")
            QCOMPARE(modal, QStringLiteral("krv::print_preview_dialog"));
        else if (effect == "outline")
            QVERIFY(c->navigation()->outline()->isVisible());
        else if (effect == "reversed colours") // (200, 200, 250) with its lightness reversed
            QTRY_VERIFY(pixels::near(shown_colour(*c), QColor(5, 5, 55)));
        else
            QCOMPARE(v->zoom(), 1.0);
    }

    void every_tool_names_its_key() {
        auto c = open("cinq.pdf");
        c->search()->open(); // the search bar is built when first used
        const auto tools = c->findChildren<QToolButton*>();
        int with_keys = 0;
        for (const QToolButton* tool : tools) {
            if (tool->accessibleName().startsWith(QStringLiteral("Effacer")))
                continue; // the search field's own clear button
            QVERIFY2(!tool->accessibleName().isEmpty(), qPrintable(tool->toolTip()));
            QCOMPARE(tool->accessibleDescription(), tool->toolTip());
            with_keys += tool->toolTip().endsWith(u')') ? 1 : 0;
        }
        QCOMPARE(with_keys, 16); // the toolbar's 12 tools and the search bar's 4
        QVERIFY(!c->search()->field()->findChildren<QToolButton*>().isEmpty());
    }

    void whole_page_shows_the_current_page() {
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        c->go_to_page_number(3);
        v->verticalScrollBar()->setValue(v->verticalScrollBar()->value() + 200);
        QCOMPARE(v->current_page(), 2);
        v->set_zoom_mode(page_view::zoom_mode::fit_page);
        QCOMPARE(v->current_page(), 2);
        const QPointF top = v->to_viewport(2, {0, 0});
        const QPointF bottom = v->to_viewport(2, {595, 842});
        QVERIFY(top.y() >= 0);
        QVERIFY(bottom.y() <= v->viewport()->height());
        // Page Down then shows the next page whole, not parts of two.
        QTest::keyClick(v, Qt::Key_PageDown);
        QCOMPARE(v->current_page(), 3);
        QVERIFY(qAbs(v->to_viewport(3, {0, 0}).y() - top.y()) <= 1);
    }

    void selection_from_the_margins() {
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        c->go_to_page_number(3);
        const QPointF page_left = v->to_viewport(2, {0, 60});
        QVERIFY(page_left.x() > 4); // there is a margin to start in
        // From the margin left of the page to beyond its right edge.
        const QPoint from(int(page_left.x()) - 3, int(page_left.y()));
        const QPoint to(v->viewport()->width() - 2, int(v->to_viewport(2, {0, 100}).y()));
        QTest::mousePress(v->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(v->viewport(), to);
        QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, to);
        QTRY_VERIFY2(v->selected_text().contains(QStringLiteral("Règlement")),
                     qPrintable(v->selected_text()));
        if (QApplication::clipboard()->supportsSelection())
            QTRY_COMPARE(QApplication::clipboard()->text(QClipboard::Selection),
                         v->selected_text());
    }

    // Ctrl+C on a page without text copies nothing, and leaves nothing waiting to
    // be copied: the page's text selected later stays out of the clipboard.
    void copy_of_a_page_without_text() {
        QVERIFY(
            samples::write_text_pdf(path("vide.pdf"), {{}, {Qt::white, {"Texte de la page."}}}));
        auto c = open("vide.pdf");
        QApplication::clipboard()->setText(QStringLiteral("avant"));
        QTest::keyClick(c->view(), Qt::Key_C, Qt::ControlModifier);
        c->go_to_page_number(2);
        QTest::keyClick(c->view(), Qt::Key_A, Qt::ControlModifier);
        QTRY_VERIFY(c->view()->selected_text().contains("Texte de la page."));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("avant"));
    }

    // A hyphen that ended a line too (Qt PDF gives it as U+FFFE, without the line end).
    void copied_text_has_linux_line_ends() {
        QVERIFY(samples::write_text_pdf(path("coupe.pdf"),
                                        {{Qt::white, {"La cor-", "rection des copies."}}}));
        auto c = open("coupe.pdf");
        QApplication::clipboard()->clear();
        QTest::keyClick(c->view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(c->view(), Qt::Key_C, Qt::ControlModifier);
        // The page's text comes from the pdf thread.
        QTRY_VERIFY(!QApplication::clipboard()->text().isEmpty());
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied.contains("La cor-\nrection des copies."));
        QVERIFY(!copied.contains(u'\r'));
    }

    // How the pages got the focus, one step after another, and whether the ring
    // shows after the last: only when the keyboard is in use.
    void focus_ring_shows_only_for_the_keyboard_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("ring");
        QTest::newRow("at start") << QStringList{} << false;
        QTest::newRow("a key at start") << QStringList{"key"} << true;
        QTest::newRow("click") << QStringList{"away", "click"} << false;
        QTest::newRow("Tab") << QStringList{"away", "tab"} << true;
        QTest::newRow("Shift+Tab") << QStringList{"away", "backtab"} << true;
        QTest::newRow("a key after a click") << QStringList{"click", "key"} << true;
        QTest::newRow("a click after Tab") << QStringList{"away", "tab", "click"} << false;
        QTest::newRow("given back after a click")
            << QStringList{"click", "away", "given back"} << false;
        QTest::newRow("given back after Tab")
            << QStringList{"away", "tab", "away", "given back"} << true;
        QTest::newRow("elsewhere") << QStringList{"away", "tab", "away"} << false;
    }
    void focus_ring_shows_only_for_the_keyboard() {
        QFETCH(QStringList, steps);
        QFETCH(bool, ring);
        auto c = open("cinq.pdf");
        page_view* v = c->view();
        c->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(c.get()));
        QVERIFY(v->hasFocus()); // the keys reach the pages at once
        for (const QString& step : steps) {
            if (step == "away")
                c->page_field()->setFocus(Qt::TabFocusReason);
            else if (step == "click")
                QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
            else if (step == "tab")
                v->setFocus(Qt::TabFocusReason);
            else if (step == "backtab")
                v->setFocus(Qt::BacktabFocusReason);
            else if (step == "given back")
                v->setFocus();
            else if (step == "key") {
                const int before = v->verticalScrollBar()->value();
                QTest::keyClick(v, Qt::Key_PageDown);
                QVERIFY(v->verticalScrollBar()->value() > before);
            }
        }
        const QImage shot = v->viewport()->grab().toImage();
        const QColor highlight = v->palette().color(QPalette::Active, QPalette::Highlight);
        QCOMPARE(pixels::near(shot.pixelColor(0, shot.height() / 2), highlight, 10), ring);
    }

    // ------------------------------------------------------------ passwords
    void password_is_asked_again_when_wrong() {
        QVERIFY(samples::write_text_pdf(path("clair.pdf"), {{Qt::white, {"Secret"}}}));
        const int status = QProcess::execute("qpdf", {"--encrypt", "bonjour", "maitre", "256", "--",
                                                      path("clair.pdf"), path("protege.pdf")});
        if (status != 0)
            QSKIP("qpdf is needed to make a protected PDF");
        QStringList asked;
        QStringList answers{"faux", "bonjour"};
        set_password_prompt([&](const QString& name, bool again) -> std::optional<QString> {
            asked << QStringLiteral("%1:%2").arg(name).arg(again);
            if (answers.isEmpty())
                return std::nullopt;
            return answers.takeFirst();
        });
        auto c = open("protege.pdf");
        QTRY_VERIFY(c->document());
        QCOMPARE(asked, (QStringList{"protege.pdf:0", "protege.pdf:1"}));
        QCOMPARE(c->document()->page_count(), 1);
        asked.clear();
        answers = QStringList{"faux"};
        c->set_src(path("protege.pdf"));
        QTRY_COMPARE(asked.size(), 2);
        QVERIFY(c->message().contains("mot de passe"));
        QVERIFY(c->message().contains("protege.pdf"));
    }

    void password_can_be_given_after_giving_up() {
        QVERIFY(samples::write_text_pdf(path("clair2.pdf"), {{Qt::white, {"Secret"}}}));
        if (QProcess::execute("qpdf", {"--encrypt", "bonjour", "maitre", "256", "--",
                                       path("clair2.pdf"), path("protege2.pdf")}) != 0)
            QSKIP("qpdf is needed to make a protected PDF");
        std::optional<QString> answer; // given up
        set_password_prompt([&](const QString&, bool) { return answer; });
        auto c = open("protege2.pdf");
        QVERIFY(!c->document());
        QVERIFY(c->offers_password());
        auto* retry = c->findChild<QPushButton*>();
        QVERIFY(retry && retry->isVisible());
        answer = QStringLiteral("bonjour");
        retry->click();
        QTRY_VERIFY(c->document());
        QVERIFY(!c->offers_password());
        // A document that is only missing offers no password.
        c->set_src(path("absent.pdf"));
        QVERIFY(probe::opened(*c));
        QVERIFY(!c->message().isEmpty());
        QVERIFY(!c->offers_password());
    }

    // ------------------------------------------------------------ a file that changes
    void changed_file_is_shown_again_at_the_same_page() {
        QVERIFY(samples::write_text_pdf(path("vivant.pdf"), five_pages()));
        auto c = open("vivant.pdf");
        c->go_to_page_number(4);
        const shared_document before = c->document();
        // Caught half-written: what shows stays.
        QFile whole(path("cinq.pdf"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QVERIFY(samples::write_file(path("vivant.pdf"), whole.readAll().left(300)));
        const quint64 jobs = c->pdf().jobs_run();
        c->reload();
        QTRY_VERIFY(c->pdf().jobs_run() > jobs); // read on the pdf thread, and left alone
        QCOMPARE(c->document(), before);
        QVERIFY(c->message().isEmpty());
        // Then written whole, in other colours: shown at the same page.
        auto pages = five_pages();
        for (auto& p : pages)
            p.background = QColor(180, 180, 180);
        QVERIFY(samples::write_text_pdf(path("vivant.pdf"), pages));
        QTRY_VERIFY(c->document() != before); // the file watcher's own reload
        QCOMPARE(c->view()->current_page(), 3);
        QTRY_VERIFY(pixels::near(shown_colour(*c), QColor(180, 180, 180)));
    }
};

KRV_TEST_MAIN(test_reader)
#include "test_reader.moc"
