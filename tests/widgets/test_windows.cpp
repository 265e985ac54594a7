// The menu and viewer windows on Qt's offscreen platform: start-up, placement,
// document requests and their debounce, the end commands and the web link.
#include "affic_pdf.h"
#include "desktop.h"
#include "errors.h"
#include "failures.h"
#include "fixture.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "pdf_component.h"
#include "pixels.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

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
    void windows_stand_side_by_side() {
        menu_pdf& menu = start();
        affic_pdf& viewer = this->viewer();
        const float screen = screen_width_twips();
        QCOMPARE(menu.twips_left(), (screen - 15360.0f) / 2.0f);
        if (screen == 15360.0f)
            QCOMPARE(menu.twips_left(), 0.0f);
        QCOMPARE(menu.twips_top(), 0.0f);
        QCOMPARE(menu.twips_width(), 1515.0f);
        QCOMPARE(menu.twips_height(), 11070.0f);
        QCOMPARE(viewer.twips_left(), menu.twips_left() + 1515.0f);
        QCOMPARE(viewer.twips_top(), 0.0f);
        QCOMPARE(viewer.twips_width(), 13845.0f);
        QCOMPARE(viewer.twips_height(), 11070.0f);
        QCOMPARE(viewer.APDF_Objet_twips, (twips_rect{90, 90, 13725, 10950}));
        QCOMPARE(viewer.APDF_Objet->geometry(), QRect(6, 6, 915, 730));
        // In pixels: the pair spans 1024 pixels, centred, the viewer where the menu ends.
        QCOMPARE(viewer.frameGeometry().left(), to_pixels(menu.twips_left() + 1515.0f));
        QCOMPARE(viewer.frameGeometry().width(), 923);
        QVERIFY(viewer.isVisible());
        QVERIFY(menu.isVisible());
    }

    void menu_controls_are_as_laid_out() {
        menu_pdf& menu = start();
        QCOMPARE(menu.windowTitle(), QStringLiteral("© KRV"));
        QCOMPARE(menu.Label2->text(), QStringLiteral("Aide"));
        QCOMPARE(menu.Label2->geometry(), QRect(8, 8, 79, 25));
        QCOMPARE(menu.bt_rech->geometry(), QRect(10, 538, 73, 73));
        QCOMPARE(menu.bt_fin->geometry(), QRect(10, 622, 73, 73));
        QCOMPARE(menu.bt_rech->toolTip(), QStringLiteral("Consultez une documentation disponible"));
        QCOMPARE(menu.bt_fin->toolTip(), QStringLiteral("Sortie de l'aide"));
        QCOMPARE(menu.Image1->toolTip(), QStringLiteral("KRV"));
        QCOMPARE(menu.Commande1->toolTip(), QStringLiteral("Retour a la fiche Ridaza"));
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
        start();
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
        QTRY_COMPARE(component()->message(), QStringLiteral("Document introuvable : Tarifs.pdf"));
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

    // ------------------------------------------------------------ ending
    void end_commands_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("bt_fin") << "bt_fin";
        QTest::newRow("Commande1") << "Commande1";
        QTest::newRow("window closed") << "close";
    }
    void end_commands() {
        QFETCH(QString, how);
        menu_pdf& menu = start();
        if (how == "esc")
            QTest::keyClick(&menu, Qt::Key_Escape);
        else if (how == "bt_fin")
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
        QVERIFY(component()->search_open());
        // Typed in the menu window before the focus has moved: it goes to the search.
        QTest::keyClicks(&menu, "cherche");
        QCOMPARE(component()->search_field()->text(), QStringLiteral("cherche"));
        QTest::keyClick(&menu, Qt::Key_Return);
        QCOMPARE(view->current_page(), 2);
        // Esc closes the search first, then ends the help.
        QTest::keyClick(&menu, Qt::Key_Escape);
        QVERIFY(!component()->search_open());
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
