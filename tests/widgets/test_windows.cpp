// The menu and viewer windows on Qt's offscreen platform: start-up, placement,
// document requests and their debounce, the end commands and the web link.
#include "affic_pdf.h"
#include "desktop.h"
#include "errors.h"
#include "failures.h"
#include "fixture.h"
#include "krv_pdf2.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "one_help.h"
#include "pdf_component.h"
#include "pixels.h"
#include "resources.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>

#include <cstdio>
#include <future>

using namespace krv;

namespace {

const QColor documentation_colour(250, 210, 210);
const QColor tarifs_colour(200, 230, 250);
const QColor guide_colour(210, 245, 200);

} // namespace

class test_windows : public QObject {
    Q_OBJECT
    program_fixture fixture_;

    menu_pdf& start(const QByteArray& exchange = {}) {
        if (!exchange.isNull())
            samples::write_file(QStringLiteral("W_intlog.wdo"), exchange);
        menu_pdf& menu = load_form<menu_pdf>();
        menu.show_modeless();
        return menu;
    }
    affic_pdf& viewer() {
        affic_pdf* found = find_form<affic_pdf>();
        if (!found)
            qFatal("the viewer is not loaded");
        return *found;
    }
    pdf_component* component() { return viewer().APDF_Objet; }
    QString shown_file() { return QFileInfo(component()->src()).fileName(); }

private slots:
    void initTestCase() {
        QVERIFY(fixture_.set_up());
        QVERIFY(
            samples::write_colour_pdf("Documentation.pdf", documentation_colour, "Documentation"));
        QVERIFY(samples::write_colour_pdf("tarifs_HT.Pdf", tarifs_colour, "Tarifs"));
        QVERIFY(samples::write_colour_pdf("guide_de_saisie.PDF", guide_colour, "Guide"));
    }
    void cleanup() {
        for (const QString& title : fixture_.titles)
            QCOMPARE(title, QStringLiteral("Aide KRV"));
        fixture_.reset();
        QFile::remove("W_intlog.wdo");
        QDir("W_intlog.wdo").removeRecursively();
    }
    void cleanupTestCase() { fixture_.tear_down(); }

    // ------------------------------------------------------------ placement
    // Each window and control where the design puts it, in twips, with its caption,
    // tooltip or text as the design words it; the pair centred on any screen.
    void design_layout() {
        menu_pdf& menu = start();
        krv_pdf2& list = load_form<krv_pdf2>(); // placed and filled as when it shows
        const float left = (screen_width_twips() - 15360.0f) / 2.0f; // < 0 below 1024 pixels
        const struct {
            QWidget* control;
            twips_rect place;
            const char* text;
        } design[] = {
            {&menu, {left, 0, 1515, 11070}, "© KRV"},
            {menu.Label2, {120, 120, 1185, 375}, "Aide"},
            {menu.bt_rech, {150, 8070, 1095, 1095}, "Consultez une documentation disponible"},
            {menu.bt_fin, {150, 9330, 1095, 1095}, "Sortie de l'aide"},
            {menu.Commande1, {3600, 9180, 765, 945}, "Retour a la fiche Ridaza"},
            {&viewer(), {left + 1515, 0, 13845, 11070}, "Document PDF"},
            {component(), {90, 90, 13725, 10950}, ""}, // 915 x 730 pixels
            {&list, {left + 2512.5f, 1665, 11850, 8190}, "Liste des documentations disponibles"},
            {list.List1, {450, 1020, 10845, 5190}, ""},
            // 1140 twips high, not 795: the four lines it takes in Arial's metrics.
            {list.Label1,
             {450, 6540, 4065, 1140},
             "Cliquez deux fois sur la documentation à visualiser. Vous pourrez l'imprimer "
             "directement à partir de l'écran suivant."},
            {list.btc_no, {9000, 6540, 1095, 1095}, ""},
            {list.btc_ok, {10230, 6540, 1095, 1095}, ""}};
        QStringList wrong;
        for (const auto& [control, place, text] : design) {
            const auto* window = qobject_cast<form*>(control);
            const QRect g = control->geometry();
            const twips_rect found = window
                                         ? twips_rect{window->twips_left(), window->twips_top(),
                                                      window->twips_width(), window->twips_height()}
                                         : twips_rect{to_twips(g.x()), to_twips(g.y()),
                                                      to_twips(g.width()), to_twips(g.height())};
            const auto* label = qobject_cast<QLabel*>(control);
            const QString said = window                          ? window->windowTitle()
                                 : !control->toolTip().isEmpty() ? control->toolTip()
                                 : label                         ? label->text()
                                                                 : QString();
            if (!(found == place) || (*text && said != QString::fromUtf8(text)))
                wrong << control->metaObject()->className() + (u' ' + said);
        }
        list.unload();
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
    }

    void menu_controls_are_as_laid_out() {
        menu_pdf& menu = start();
        QCOMPARE(menu.Image1->geometry(), QRect(16, 48, 64, 48));
        QVERIFY(menu.keys_legend->geometry().bottom() < menu.bt_rech->geometry().top());
        QCOMPARE(menu.Image1->toolTip(), QStringLiteral("KRV"));
        QVERIFY(!menu.bt_rech->picture().isNull());
        QVERIFY(!menu.bt_fin->picture().isNull());
        QVERIFY(!menu.Image1->picture().isNull());
        // Beyond the right edge of the client area, and out of the focus chain.
        QVERIFY(menu.Commande1->geometry().left() >= menu.width());
        QCOMPARE(menu.Commande1->focusPolicy(), Qt::NoFocus);
        QCOMPARE(menu.File1.path(), QDir::currentPath());
        QVERIFY(!menu.Label1->isVisible());
        QVERIFY(!menu.Label7->isVisible());
    }

    // ------------------------------------------------------------ start-up
    void startup_asks_for_the_hosts_document_data() {
        QTest::addColumn<QByteArray>("exchange");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("message");
        QTest::newRow("no exchange file") << QByteArray() << "Documentation.pdf"
                                          << "";
        QTest::newRow("host's document")
            << samples::exchange_file({{"DOC:FCAIS", "tarifs_HT.Pdf"}}) << "tarifs_HT.Pdf"
            << "";
        QTest::newRow("value of spaces")
            << samples::exchange_file({{"DOC:FCAIS", "   "}}) << "Documentation.pdf"
            << "";
        QTest::newRow("key in lower case")
            << samples::exchange_file({{"doc:fcais", "tarifs_HT.Pdf"}}) << "Documentation.pdf"
            << "";
        QTest::newRow("count of 40000")
            << samples::exchange_file({{"DOC:FCAIS", "tarifs_HT.Pdf"}}, 40000)
            << "Documentation.pdf"
            << "Dépassement de capacité";
        // The host's C strings: the name ends at the first NUL.
        QByteArray nul_padded = samples::exchange_file({{"DOC:FCAIS", "guide_de_saisie.PDF"}});
        nul_padded.replace(128 + 23 + 19, 21, QByteArray(21, 0));
        QTest::newRow("value padded with NULs") << nul_padded << "guide_de_saisie.PDF"
                                                << "";
        QByteArray nuls = samples::exchange_file({{"DOC:FCAIS", ""}});
        nuls.replace(128 + 23, 40, QByteArray(40, 0));
        QTest::newRow("value of NULs") << nuls << "Documentation.pdf"
                                       << "";
        QTest::newRow("foreign first record counting 32766")
            << samples::record_bytes("#init#", {}, 32766) + QByteArray(128, 'h')
            << "Documentation.pdf"
            << "Le fichier d’échange W_intlog.wdo ne commence pas par l’en-tête attendu\u00a0; il "
               "n’a pas été modifié.";
    }
    void startup_asks_for_the_hosts_document() {
        QFETCH(QByteArray, exchange);
        QFETCH(QString, document);
        QFETCH(QString, message);
        start(exchange.isEmpty() ? QByteArray() : exchange);
        QCOMPARE(fixture_.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(shared().requested_path, QDir::currentPath() + u'/' + document);
        QCOMPARE(viewer().Timer1->interval(), 250);
        QTRY_COMPARE(shown_file(), document);
        QCOMPARE(viewer().Timer1->interval(), 0);
        QVERIFY(component()->message().isEmpty());
        if (exchange.isEmpty())
            QCOMPARE(QFileInfo("W_intlog.wdo").size(), 256);
    }

    void startup_reports_each_failure_and_goes_on() {
        QVERIFY(QDir().mkdir("W_intlog.wdo"));
        QImage during; // the viewer while the message is up, before any document
        fixture_.on_message = [&] { during = viewer().grab().toImage(); };
        start();
        QImage white(during.size(), during.format());
        white.fill(Qt::white);
        QVERIFY(!during.isNull() && during == white);
        QCOMPARE(fixture_.messages.size(), 1);
        QVERIFY2(fixture_.messages[0].contains("W_intlog.wdo"), qPrintable(fixture_.messages[0]));
        QTRY_COMPARE(shown_file(), QStringLiteral("Documentation.pdf"));
        QVERIFY(fixture_.ends.isEmpty());
    }

    void tick_shows_the_requested_document_in_its_colour() {
        start(samples::exchange_file({{"DOC:FCAIS", "guide_de_saisie.PDF   "}}));
        // Another use of the shared work string before the tick changes nothing.
        shared().w_chaine = QStringLiteral("Guide de saisie");
        QTRY_VERIFY(component()->document() != nullptr);
        QCOMPARE(shown_file(), QStringLiteral("guide_de_saisie.PDF"));
        QTRY_VERIFY(
            pixels::near(pixels::dominant_colour(component()->view()->viewport()), guide_colour));
    }

    void missing_document_gives_a_message() {
        start(samples::exchange_file({{"DOC:FCAIS", "Tarifs.pdf"}}));
        QTRY_COMPARE(component()->message(),
                     QStringLiteral("Document introuvable\u00a0: Tarifs.pdf"));
        QVERIFY(fixture_.ends.isEmpty());
    }

    // ------------------------------------------------------------ debounce
    void requests_too_close_are_refused_data() {
        QTest::addColumn<double>("gap");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0.3 s") << 0.3 << false;
        QTest::newRow("0.5 s exactly") << 0.5 << false;
        QTest::newRow("0.51 s") << 0.51 << true;
        QTest::newRow("a minute") << 60.0 << true;
    }
    void requests_too_close_are_refused() {
        QFETCH(double, gap);
        QFETCH(bool, accepted);
        menu_pdf& menu = start();
        const double first = fixture_.now;
        QCOMPARE(*shared().heure_ouverture, first);
        fixture_.now = first + gap;
        shared().nom_document = QStringLiteral("tarifs_HT.Pdf");
        // The wait runs on the clock: move it on, watching the pointer meanwhile.
        int busy_seen = 0;
        QTimer advance;
        connect(&advance, &QTimer::timeout, this, [&] {
            busy_seen += current_mouse_pointer() == mouse_pointer::busy;
            fixture_.now += 0.25;
        });
        advance.start(5);
        menu.affic_document();
        advance.stop();
        QCOMPARE(current_mouse_pointer(), mouse_pointer::arrow);
        if (accepted) {
            QCOMPARE(*shared().heure_ouverture, first + gap);
            QVERIFY(shared().requested_path.endsWith("/tarifs_HT.Pdf"));
            QTRY_COMPARE(shown_file(), QStringLiteral("tarifs_HT.Pdf"));
        } else {
            QCOMPARE(*shared().heure_ouverture, first);
            QVERIFY(shared().requested_path.endsWith("/Documentation.pdf"));
            QVERIFY(busy_seen > 0);
            QVERIFY(fixture_.now >= first + gap + wait_seconds);
            QTRY_COMPARE(shown_file(), QStringLiteral("Documentation.pdf"));
        }
    }

    // The host's request within the half second waits it out, holding nobody off; of
    // a flood, one waits (no lookup or wait inside another), and shows the latest.
    void the_hosts_requests_wait_out_the_half_second_data() {
        QTest::addColumn<int>("requests");
        QTest::addColumn<double>("gap");
        QTest::newRow("one, 0.3 s after") << 1 << 0.3;
        QTest::newRow("a flood, from 1 s after") << 4000 << 1.0;
    }
    void the_hosts_requests_wait_out_the_half_second() {
        QFETCH(int, requests);
        QFETCH(double, gap);
        start(samples::exchange_file({{"DOC:FCAIS", "guide_de_saisie.PDF"}}));
        one_help one(hand_over::nobody);
        one.serve();
        const double still = fixture_.now += gap; // and stands still
        // A wait runs on this clock: moved on while it shows, so that it ends, and is seen.
        bool busy_seen = false;
        QTimer clock;
        connect(&clock, &QTimer::timeout, this, [&] {
            if (current_mouse_pointer() == mouse_pointer::busy)
                busy_seen = true, fixture_.now += 0.25;
        });
        clock.start(5);
        auto taken = std::async(std::launch::async, [requests, name = own_instance_name()] {
            int count = 0;
            for (int i = 0; i < requests; ++i) {
                if (i == requests / 2) { // another document, the file replaced whole
                    samples::write_file("new.wdo",
                                        samples::exchange_file({{"DOC:FCAIS", "tarifs_HT.Pdf"}}));
                    std::rename("new.wdo", "W_intlog.wdo");
                }
                count += ask_running_help(name, 5000) == hand_over::taken;
            }
            return count;
        });
        QTRY_VERIFY_WITH_TIMEOUT(
            taken.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 120'000);
        QCOMPARE(taken.get(), requests);
        QCOMPARE(*shared().heure_ouverture, gap > 0.5 ? still : still - gap); // the rest waits
        fixture_.now = still + 1;
        QTRY_COMPARE(shown_file(), QStringLiteral("tarifs_HT.Pdf"));
        QCOMPARE(*shared().heure_ouverture, still + 1);
        QVERIFY(!busy_seen);
        QVERIFY2(fixture_.messages.isEmpty(), qPrintable(fixture_.messages.join(u'\n')));
    }

    // ------------------------------------------------------------ titles and icon
    void one_icon_for_every_window() {
        menu_pdf& menu = start();
        const qint64 icon = QApplication::windowIcon().cacheKey();
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(menu.windowIcon().cacheKey(), icon);
        QCOMPARE(viewer().windowIcon().cacheKey(), icon);
        QMessageBox box; // Qt's own dialogs, the password's among them
        QCOMPARE(box.windowIcon().cacheKey(), icon);
    }

    void the_pointer_over_no_window_waits_for_the_event_loop() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            widget->hide();
        const auto none_on_screen = [] {
            const QWindowList windows = QGuiApplication::topLevelWindows();
            return std::none_of(windows.begin(), windows.end(),
                                [](const QWindow* w) { return w->isExposed(); });
        };
        QTRY_VERIFY(none_on_screen());
        // Busy and back before the event loop runs: nothing is asked of the window system.
        set_mouse_pointer(mouse_pointer::busy);
        QCOMPARE(current_mouse_pointer(), mouse_pointer::busy);
        QVERIFY(!QApplication::overrideCursor());
        set_mouse_pointer(mouse_pointer::arrow);
        QCoreApplication::processEvents();
        QVERIFY(!QApplication::overrideCursor());
        // Left busy, it shows once the event loop runs.
        set_mouse_pointer(mouse_pointer::busy);
        QTRY_VERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        set_mouse_pointer(mouse_pointer::arrow);
        QTRY_VERIFY(!QApplication::overrideCursor());
        // Over a window on screen, before the event loop runs: by its first turn.
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        set_mouse_pointer(mouse_pointer::busy);
        QVERIFY(!QApplication::overrideCursor());
        QTRY_VERIFY(QApplication::overrideCursor());
        set_mouse_pointer(mouse_pointer::arrow);
        QTRY_VERIFY(!QApplication::overrideCursor());
        // Over a window on screen, the event loop running: at once.
        bool busy_at_once = false, arrow_at_once = false;
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            set_mouse_pointer(mouse_pointer::busy);
            busy_at_once = QApplication::overrideCursor() != nullptr;
            set_mouse_pointer(mouse_pointer::arrow);
            arrow_at_once = QApplication::overrideCursor() == nullptr;
            loop.quit();
        });
        loop.exec();
        QVERIFY(busy_at_once);
        QVERIFY(arrow_at_once);
    }

    void the_icon_holds_each_drawing_data() {
        QTest::addColumn<QString>("file");
        for (const QString& file :
             {pictures::icon_16, pictures::icon_32, pictures::icon_48, pictures::icon_64})
            QTest::newRow(qPrintable(file)) << file;
    }
    void the_icon_holds_each_drawing() {
        // Each size the window system may ask for is the drawing made for it, not
        // another one scaled (and the 16-colour 32 x 32 one does not stand for it).
        QFETCH(QString, file);
        const QImage drawing = QImage(file).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QIcon icon = pictures::application_icon();
        QVERIFY(icon.availableSizes().contains(drawing.size()));
        QCOMPARE(icon.pixmap(drawing.size(), 1.0)
                     .toImage()
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 drawing);
    }
    void the_windows_icon_stays_small() {
        // Each window sends every size to the window system when it is created; the
        // larger drawings are in the installed icon theme.
        QCOMPARE(pictures::application_icon().availableSizes(),
                 (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}}));
    }

    // ------------------------------------------------------------ keys
    void list_keys_from_either_window_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("in_viewer");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Ctrl+O, menu")
            << int(Qt::Key_O) << int(Qt::ControlModifier) << false << true;
        QTest::newRow("Ctrl+O, viewer")
            << int(Qt::Key_O) << int(Qt::ControlModifier) << true << true;
        QTest::newRow("F1, menu") << int(Qt::Key_F1) << int(Qt::NoModifier) << false << true;
        QTest::newRow("F1, viewer") << int(Qt::Key_F1) << int(Qt::NoModifier) << true << true;
        QTest::newRow("O alone") << int(Qt::Key_O) << int(Qt::NoModifier) << false << false;
        QTest::newRow("Ctrl+Shift+O")
            << int(Qt::Key_O) << int(Qt::ControlModifier | Qt::ShiftModifier) << false << false;
    }
    void list_keys_from_either_window() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, in_viewer);
        QFETCH(bool, opens);
        menu_pdf& menu = start();
        QTRY_VERIFY(component()->document());
        bool opened = false;
        QObject scope; // the timer dies with the test, should nothing open
        QTimer::singleShot(0, &scope, [&] {
            if (krv_pdf2* dialog = find_form<krv_pdf2>()) {
                opened = dialog->isVisible();
                dialog->annul_demande();
            }
        });
        QWidget* target = in_viewer ? static_cast<QWidget*>(component()->view()) : &menu;
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (!opens)
            QTest::qWait(20);
        QCOMPARE(opened, opens);
        QVERIFY(fixture_.ends.isEmpty());
    }

    void menu_pictures_by_keyboard() {
        menu_pdf& menu = start();
        QTRY_VERIFY(component()->document());
        menu.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&menu));
        // The focus Qt gives by itself when the window comes up presses nothing.
        menu.Image1->setFocus(Qt::ActiveWindowFocusReason);
        QVERIFY(!menu.Image1->has_keyboard_focus());
        QTest::keyClick(menu.Image1, Qt::Key_Return);
        QVERIFY(fixture_.messages.isEmpty());
        QCOMPARE(shared().w_chaine, shared().requested_path); // the web link did not run
        // Tab goes on to the glass, which shows its ring, and Space presses it.
        QTest::keyClick(menu.Image1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), menu.bt_rech);
        QVERIFY(menu.bt_rech->has_keyboard_focus());
        const QImage plain = QImage(pictures::bt_rech).convertToFormat(QImage::Format_RGB32);
        QVERIFY(menu.bt_rech->grab().toImage().convertToFormat(QImage::Format_RGB32) != plain);
        bool opened = false;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            if (krv_pdf2* dialog = find_form<krv_pdf2>()) {
                opened = true;
                dialog->annul_demande();
            }
        });
        QTest::keyClick(menu.bt_rech, Qt::Key_Space);
        QVERIFY(opened);
        // Enter on the sign ends the help.
        menu.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&menu));
        menu.bt_fin->setFocus(Qt::TabFocusReason);
        QTest::keyClick(menu.bt_fin, Qt::Key_Return);
        QCOMPARE(fixture_.ends, QList<int>{0});
    }

    // The rest of the key that closed the list goes nowhere: a double Enter does not
    // press the logo the keyboard left the focus on, a double Esc does not end the
    // help. A press a second later does.
    void a_key_that_closes_the_list_goes_no_further_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("after"); // milliseconds between the two presses
        QTest::newRow("double Enter") << int(Qt::Key_Return) << 60;
        QTest::newRow("Enter, Enter a second later") << int(Qt::Key_Return) << 1000;
        QTest::newRow("double Esc") << int(Qt::Key_Escape) << 60;
        QTest::newRow("Esc, Esc a second later") << int(Qt::Key_Escape) << 1000;
    }
    void a_key_that_closes_the_list_goes_no_further() {
        QFETCH(int, key);
        QFETCH(int, after);
        QList<QUrl> urls;
        set_url_opener([&](const QUrl& url) { urls << url; });
        menu_pdf& menu = start();
        menu.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&menu));
        QTest::keyClick(&menu, Qt::Key_Tab); // the glass, then back to the logo
        QTest::keyClick(&menu, Qt::Key_Backtab, Qt::ShiftModifier);
        const auto send = [&](QWidget* to, QEvent::Type type, ulong time) {
            QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Return ? "\r" : "\x1b");
            event.setTimestamp(time); // as the window system's events carry them
            QApplication::sendEvent(to, &event);
        };
        send(load_form<krv_pdf2>().List1, QEvent::KeyPress, 5000); // closes the list
        QVERIFY(!find_form<krv_pdf2>());
        send(menu.Image1, QEvent::KeyRelease, 5030);
        send(menu.Image1, QEvent::KeyPress, 5000 + after);
        set_url_opener({});
        QCOMPARE(urls.size() + fixture_.ends.size(), after > 400 ? 1 : 0);
    }

    // Tab past a window's last stop (Shift+Tab, its first) goes on in the other.
    void tab_goes_from_window_to_window_data() {
        QTest::addColumn<bool>("from_menu");
        QTest::addColumn<bool>("forward");
        QTest::newRow("Tab past FIN") << true << true;
        QTest::newRow("Shift+Tab before the logo") << true << false;
        QTest::newRow("Tab past the viewer's last") << false << true;
    }
    void tab_goes_from_window_to_window() {
        QFETCH(bool, from_menu);
        QFETCH(bool, forward);
        menu_pdf& menu = start();
        QTRY_VERIFY(component()->document());
        form& from = from_menu ? static_cast<form&>(menu) : viewer();
        from.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&from));
        QWidget* edge = !from_menu ? static_cast<QWidget*>(component()->view())
                        : forward  ? menu.bt_fin
                                   : menu.Image1;
        edge->setFocus(Qt::TabFocusReason);
        QTest::keyClick(edge, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                        forward ? Qt::NoModifier : Qt::ShiftModifier);
        QWidget* reached = !from_menu ? static_cast<QWidget*>(menu.Image1)
                           : forward  ? static_cast<QWidget*>(component()->page_field())
                                      : component()->view();
        QTRY_COMPARE(QApplication::focusWidget(), reached);
        QTRY_VERIFY(!from_menu ? menu.Image1->has_keyboard_focus() : viewer().isActiveWindow());
    }

    // F11 shows the viewer alone, full screen, the pages filling it; F11 again
    // puts both windows back as they stood.
    void f11_shows_the_viewer_alone_and_back_data() {
        QTest::addColumn<bool>("in_viewer");
        QTest::newRow("from the viewer") << true;
        QTest::newRow("from the menu") << false;
    }
    void f11_shows_the_viewer_alone_and_back() {
        QFETCH(bool, in_viewer);
        menu_pdf& menu = start();
        QTRY_VERIFY(component()->document());
        const QRect menu_place = menu.geometry();
        const QRect viewer_place = viewer().geometry();
        const QRect pages = component()->geometry();
        QTest::keyClick(in_viewer ? static_cast<QWidget*>(component()->view()) : &menu,
                        Qt::Key_F11);
        QTRY_COMPARE(viewer().geometry(), viewer().screen()->geometry());
        QTRY_COMPARE(component()->geometry(), viewer().rect());
        QVERIFY(!menu.isVisible());
        QTest::keyClick(component()->view(), Qt::Key_F11);
        QTRY_COMPARE(viewer().geometry(), viewer_place);
        QCOMPARE(component()->geometry(), pages);
        QVERIFY(menu.isVisible());
        QTRY_COMPARE(menu.geometry(), menu_place); // once on screen again, its frame known
        QVERIFY(fixture_.ends.isEmpty());
    }

    // The tooltips of the window that is not active show too.
    void tooltips_in_either_window() {
        menu_pdf& menu = start();
        QTRY_VERIFY(component()->document());
        menu.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&menu));
        QWidget* tool = component()->findChild<QToolButton*>(); // the page before
        QTest::mouseMove(tool);
        QTRY_VERIFY(QToolTip::isVisible() && QToolTip::text() == tool->toolTip());
        QToolTip::hideText();
    }

    void toolbar_keys_from_the_menu_window() {
        std::vector<samples::text_page> pages(3, samples::text_page{Qt::white, {"Une page"}});
        QVERIFY(samples::write_text_pdf("trois.pdf", pages));
        menu_pdf& menu = start(samples::exchange_file({{"DOC:FCAIS", "trois.pdf"}}));
        QTRY_VERIFY(component()->document());
        page_view* view = component()->view();
        QTest::keyClick(&menu, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(view->current_page(), 1);
        QTest::keyClick(&menu, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(view->mode(), page_view::zoom_mode::fit_page);
        QTest::keyClick(&menu, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(view->mode(), page_view::zoom_mode::fit_width);
        QTest::keyClick(&menu, Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(component()->page_field()->hasFocus());
    }

    // ------------------------------------------------------------ screen readers
    void what_screen_readers_are_told() {
        menu_pdf& menu = start();
        QTRY_VERIFY(component()->document());
        auto* frame = QAccessible::queryAccessibleInterface(&menu);
        QCOMPARE(frame->role(), QAccessible::Window);
        QCOMPARE(frame->text(QAccessible::Name), QStringLiteral("Aide KRV"));
        QStringList children;
        for (int i = 0; i < frame->childCount(); ++i)
            children << frame->child(i)->text(QAccessible::Name);
        // The hidden labels and the button nobody sees are left out.
        QCOMPARE(children, (QStringList{"Aide", "Site Web de KRV", "Rechercher une documentation",
                                        "Fin", "Touches"}));
        auto* glass = QAccessible::queryAccessibleInterface(menu.bt_rech);
        QCOMPARE(glass->role(), QAccessible::Button);
        QCOMPARE(glass->actionInterface()->actionNames(),
                 QStringList{QAccessibleActionInterface::pressAction()});
        QCOMPARE(QAccessible::queryAccessibleInterface(menu.Image1)->role(), QAccessible::Link);
        QCOMPARE(QAccessible::queryAccessibleInterface(&viewer())->role(), QAccessible::Window);
        // Pressed by a screen reader, FIN ends the help (once the reader has its answer).
        QAccessible::queryAccessibleInterface(menu.bt_fin)
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(fixture_.ends.isEmpty());
        QTRY_COMPARE(fixture_.ends, QList<int>{0});
    }

    // ------------------------------------------------------------ ending
    void end_commands_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("bt_fin") << "bt_fin";
        QTest::newRow("Commande1") << "Commande1";
        QTest::newRow("window closed") << "close";
        QTest::newRow("Esc in full screen") << "esc in full screen";
    }
    void end_commands() {
        QFETCH(QString, how);
        menu_pdf& menu = start();
        if (how == "esc")
            QTest::keyClick(&menu, Qt::Key_Escape);
        else if (how == "esc in full screen") {
            QTest::keyClick(&menu, Qt::Key_F11);
            QVERIFY(!menu.isVisible());
            QTest::keyClick(&viewer(), Qt::Key_Escape);
        } else if (how == "bt_fin")
            QTest::mouseClick(menu.bt_fin, Qt::LeftButton);
        else if (how == "Commande1")
            menu.Commande1->click();
        else
            menu.close();
        QCOMPARE(fixture_.ends, QList<int>{0});
    }

    void other_keys_do_not_end() {
        menu_pdf& menu = start();
        QTest::keyClick(&menu, Qt::Key_Return);
        QTest::keyClick(&menu, Qt::Key_Space);
        QTest::keyClick(&menu, Qt::Key_A);
        QVERIFY(fixture_.ends.isEmpty());
    }

    // ------------------------------------------------------------ reading keys
    void reading_keys_work_from_either_window() {
        std::vector<samples::text_page> pages(5, samples::text_page{Qt::white, {"Une page"}});
        pages[2].lines = QStringList{"Le mot cherché"};
        QVERIFY(samples::write_text_pdf("long.pdf", pages));
        menu_pdf& menu = start(samples::exchange_file({{"DOC:FCAIS", "long.pdf"}}));
        QTRY_VERIFY(component()->document() != nullptr);
        page_view* view = component()->view();
        QTest::keyClick(&menu, Qt::Key_End);
        QCOMPARE(view->current_page(), 4);
        QTest::keyClick(&menu, Qt::Key_Home);
        QCOMPARE(view->current_page(), 0);
        QTest::keyClick(&menu, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(component()->search()->is_open());
        // Typed in the menu window before the focus has moved: it goes to the search.
        QTest::keyClicks(&menu, "cherche");
        QCOMPARE(component()->search()->field()->text(), QStringLiteral("cherche"));
        QTest::keyClick(&menu, Qt::Key_Return);
        QTRY_COMPARE(view->current_page(), 2); // found as the pages' text comes
        // Esc closes the search first, then ends the help.
        QTest::keyClick(&menu, Qt::Key_Escape);
        QVERIFY(!component()->search()->is_open());
        QVERIFY(fixture_.ends.isEmpty());
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(fixture_.ends, QList<int>{0});
    }

    // ------------------------------------------------------------ web link
    void logo_opens_the_makers_address() {
        QList<QUrl> urls;
        set_url_opener([&](const QUrl& url) { urls << url; });
        menu_pdf& menu = start();
        QTest::mouseClick(menu.Image1, Qt::LeftButton);
        set_url_opener({});
        QCOMPARE(urls, QList<QUrl>{QUrl("https://www.krv.example/")});
        QCOMPARE(shared().w_chaine, QStringLiteral("https://www.krv.example/"));
        QVERIFY(fixture_.messages.isEmpty());
    }

    // The reader's requests reach the desktop and its messages the user, from the viewer.
    void the_viewer_opens_link_addresses_and_says_what_it_refuses() {
        QList<QUrl> urls;
        set_url_opener([&](const QUrl& url) { urls << url; });
        start();
        emit component()->open_url_requested(QUrl("https://www.krv.example/aide"));
        emit component()->notice(QStringLiteral("Ce lien demande une action que l’aide "
                                                "n’exécute pas."));
        set_url_opener({});
        QCOMPARE(urls, QList<QUrl>{QUrl("https://www.krv.example/aide")});
        QCOMPARE(fixture_.messages,
                 QStringList{"Ce lien demande une action que l’aide n’exécute pas."});
        QVERIFY(fixture_.ends.isEmpty());
    }

    // The desktop's opener, for real: a stand-in `xdg-open` on the path.
    void browser_failures_are_reported_and_the_help_goes_on_data() {
        QTest::addColumn<QByteArray>("opener"); // the script's body; null: no opener at all
        QTest::addColumn<bool>("reported");
        QTest::newRow("no opener on the path") << QByteArray() << true;
        QTest::newRow("no browser (status 3)") << QByteArray("exit 3") << true;
        QTest::newRow("no browser, after a while") << QByteArray("/bin/sleep 0.3; exit 3") << true;
        QTest::newRow("opener killed") << QByteArray("kill -9 $$") << true;
        QTest::newRow("browser started") << QByteArray("echo \"$$ $1\" > \"$0.url\"") << false;
    }
    void browser_failures_are_reported_and_the_help_goes_on() {
        QFETCH(QByteArray, opener);
        QFETCH(bool, reported);
        QTemporaryDir bin;
        const QString script = bin.filePath("xdg-open");
        if (!opener.isNull()) {
            QVERIFY(samples::write_file(script, "#!/bin/sh\n" + opener + "\n"));
            QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        }
        menu_pdf& menu = start();
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        QTest::mouseClick(menu.Image1, Qt::LeftButton);
        qputenv("PATH", path);
        // Never inside the click: the interface is not held while the opener runs.
        QVERIFY(fixture_.messages.isEmpty());
        if (reported) {
            QTRY_COMPARE(fixture_.messages,
                         QStringList{"Aucun navigateur Web n’a pu être lancé pour afficher "
                                     "https://www.krv.example/."});
        } else {
            QTRY_VERIFY(
                samples::read_file(script + ".url").endsWith(" https://www.krv.example/\n"));
            // Once the opener has ended and its end has gone through the event loop,
            // nothing was said.
            const QByteArray pid = samples::read_file(script + ".url").split(' ').first();
            QTRY_VERIFY(!QFile::exists("/proc/" + pid));
            for (int round = 0; round < 10; ++round)
                QCoreApplication::processEvents();
            QVERIFY(fixture_.messages.isEmpty());
        }
        QVERIFY(fixture_.ends.isEmpty());
    }

    // ------------------------------------------------------------ Qt's own texts
    void standard_buttons_speak_french() {
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("krv_pdf"));
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.00"));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("example.krv.AideKRV"));
    }

    // ------------------------------------------------------------ unhandled failures
    void unhandled_failure_is_shown_and_ends() {
        run_handler([] { throw error(QStringLiteral("Panne d'essai")); });
        QCOMPARE(fixture_.messages, QStringList{"Panne d'essai"});
        QCOMPARE(fixture_.ends, QList<int>{1});
    }
};

KRV_TEST_MAIN(test_windows)
#include "test_windows.moc"
