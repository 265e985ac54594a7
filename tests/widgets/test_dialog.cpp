// Choosing another document: readable names, the framed list dialog, and the
// document choice command of the menu window.
#include "affic_pdf.h"
#include "desktop.h"
#include "failures.h"
#include "file_names.h"
#include "fixture.h"
#include "icc.h"
#include "krv_pdf2.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "resources.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using namespace krv;

namespace {

QStringList rows(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QList<int> data(const QListWidget* list) {
    QList<int> numbers;
    for (int i = 0; i < list->count(); ++i)
        numbers << list->item(i)->data(file_number_role).toInt();
    return numbers;
}

twips_rect twips_of(const QWidget* w) {
    const QRect g = w->geometry();
    return {to_twips(g.x()), to_twips(g.y()), to_twips(g.width()), to_twips(g.height())};
}

} // namespace

class test_dialog : public QObject {
    Q_OBJECT
    program_fixture fixture_;

    void make_folder(const QStringList& names) {
        QDir folder(QDir::currentPath());
        for (const QString& f : folder.entryList(QDir::Files | QDir::Hidden))
            folder.remove(f);
        for (const QString& name : names)
            QVERIFY(samples::write_colour_pdf(name, Qt::white, name));
    }

    // Opens the dialog through the magnifying glass, lets `act` use it, and returns
    // once the document choice command has finished: true when the dialog opened
    // and nothing failed. Whatever `act` does or fails to check, the dialog is
    // closed afterwards, so that a failure ends this test and not the whole run.
    bool choose(const std::function<void(krv_pdf2&)>& act) {
        menu_pdf& menu = load_form<menu_pdf>();
        fixture_.now += 10; // well past the last request
        bool opened = false;
        QObject scope; // the timer dies with this call, should the dialog never open
        QTimer::singleShot(0, &scope, [&] {
            krv_pdf2* dialog = find_form<krv_pdf2>();
            opened = dialog && dialog->isVisible();
            if (opened)
                act(*dialog);
            if (krv_pdf2* left_open = find_form<krv_pdf2>())
                left_open->annul_demande();
        });
        QTest::mouseClick(menu.bt_rech, Qt::LeftButton);
        return opened && !QTest::currentTestFailed();
    }

private slots:
    void initTestCase() {
        QVERIFY(fixture_.set_up());
        set_end_program_action([](int) { QFAIL("the program ended"); });
        make_folder({"Documentation.pdf"});
        load_form<menu_pdf>().show_modeless();
    }
    void init() {
        fixture_.messages.clear();
        make_folder({"doc_installation.pdf", "Documentation.pdf", "tarifs_HT.PDF"});
        shared().w_chaine = QStringLiteral("avant");
        set_mouse_pointer(mouse_pointer::arrow);
    }
    void cleanupTestCase() { fixture_.tear_down(); }

    // ------------------------------------------------------------ border
    void border_tiles_the_band_round_the_dialog() {
        QVERIFY(choose([](krv_pdf2& dialog) {
            const twips_rect expected[] = {
                {0, 0, 480, 480},        {11370, 0, 480, 480},    {11370, 7710, 480, 480},
                {0, 7710, 480, 480},     {0, 480, 480, 7230},     {480, 0, 10890, 480},
                {11370, 480, 480, 7230}, {480, 7710, 10890, 480},
            };
            const icc& store = *find_form<icc>();
            for (int i = 0; i < 8; ++i) {
                QCOMPARE(twips_of(dialog.ccb[i]), expected[i]);
                QVERIFY(!dialog.ccb[i]->picture().isNull());
                QCOMPARE(dialog.ccb[i]->picture().toImage(), store.ccb[i]->picture().toImage());
                QCOMPARE(dialog.ccb[i]->stretch(), i >= 4);
            }
            // Every other control is drawn over the frame.
            const QObjectList stack = dialog.children();
            for (QWidget* other :
                 {static_cast<QWidget*>(dialog.List1), static_cast<QWidget*>(dialog.Label1),
                  static_cast<QWidget*>(dialog.Label2), static_cast<QWidget*>(dialog.btc_ok),
                  static_cast<QWidget*>(dialog.btc_no)})
                for (auto* piece : dialog.ccb)
                    QVERIFY(stack.indexOf(piece) < stack.indexOf(other));
            QVERIFY(!store.isVisible());
            // Opaque: the frame is drawn on the window's white corners, nothing cut away.
            QVERIFY(dialog.mask().isEmpty());
            QCOMPARE(dialog.grab().toImage().pixelColor(0, 0), QColor(Qt::white));
            dialog.annul_demande();
        }));
        const icc* first = find_form<icc>();
        QVERIFY(first);
        QVERIFY(choose([&](krv_pdf2& dialog) {
            QCOMPARE(find_form<icc>(), first); // the store is made once
            QCOMPARE(twips_of(dialog.ccb[6]), (twips_rect{11370, 480, 480, 7230}));
            dialog.annul_demande();
        }));
        QVERIFY(!find_form<icc>()->isVisible());
    }

    void every_picture_exists() {
        for (const QString& name : pictures::all()) {
            const QImage picture(name);
            QVERIFY2(!picture.isNull(), qPrintable(name));
            if (name.contains(QStringLiteral("/icon_")))
                continue; // the icon has its own sizes, 16 to 256 pixels
            // Drawn for screens of two device pixels per pixel too, and the toolbar's
            // for 1.5: each rendition the same picture, larger.
            const QStringList files = pictures::renditions(name);
            const bool tool = name.contains(QStringLiteral("/tool_"));
            QCOMPARE(files.size(), tool ? 3 : 2);
            QCOMPARE(QImage(files.last()).size(), picture.size() * 2);
            if (tool)
                QCOMPARE(QImage(files[1]).size(), picture.size() * 3 / 2);
        }
        for (int i = 0; i < 8; ++i)
            QCOMPARE(QImage(pictures::border[i]).size(), QSize(32, 32));
        QCOMPARE(QImage(pictures::btc_ok).size(), QSize(73, 73));
    }

    void small_window_border() {
        // A window exactly 960 twips wide: the top and bottom edges have no width.
        krv_pdf2 window;
        window.set_twips_width(960);
        window.set_twips_height(960);
        habille_fenetre<icc>(window);
        QCOMPARE(twips_of(window.ccb[5]), (twips_rect{480, 0, 0, 480}));
        QCOMPARE(twips_of(window.ccb[2]), (twips_rect{480, 480, 480, 480}));
    }

    // ------------------------------------------------------------ the dialog
    void dialog_is_filled() {
        QVERIFY(choose([](krv_pdf2& dialog) {
            QCOMPARE(rows(dialog.List1),
                     (QStringList{"Doc installation", "Documentation", "Tarifs HT"}));
            QCOMPARE(data(dialog.List1), (QList<int>{0, 1, 2}));
            QCOMPARE(dialog.List1->currentRow(), 0);
            QCOMPARE(dialog.focusWidget(), dialog.List1);
            QCOMPARE(dialog.Label1->palette().color(QPalette::WindowText), QColor(192, 64, 0));
            QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(find_form<menu_pdf>()->isVisible());
            QVERIFY(dialog.isModal() || dialog.windowModality() == Qt::ApplicationModal);
            dialog.annul_demande();
        }));
    }

    void list_follows_french_order() {
        make_folder({"Zèbre.pdf", "été.pdf", "Xxxx.pdf", "ÉTAT_DES_LIEUX.pdf", "abc.pdf",
                     "Ça_marche.pdf", "doc10.pdf", "doc9.pdf", "2008_bilan.pdf"});
        QVERIFY(choose([](krv_pdf2& dialog) {
            // Accented and capital initials among their letters, numbers by their value.
            QCOMPARE(rows(dialog.List1),
                     (QStringList{"2008 bilan", "Abc", "Ça marche", "Doc9", "Doc10",
                                  "ÉTAT DES LIEUX", "Été", "Xxxx", "Zèbre"}));
            // The hidden file list itself is in that order: row n is file n.
            QCOMPARE(data(dialog.List1), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
            QCOMPARE(dialog.File1.list(2), QStringLiteral("Ça_marche.pdf"));
            QCOMPARE(dialog.File1.list(6), QStringLiteral("été.pdf"));
            dialog.annul_demande();
        }));
    }

    void confirming_returns_the_chosen_file_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("Enter at once") << "enter"
                                       << "doc_installation.pdf";
        QTest::newRow("Down, Down, Valider") << "down-down-ok"
                                             << "tarifs_HT.PDF";
        QTest::newRow("double-click on the third row") << "double-click"
                                                       << "tarifs_HT.PDF";
        QTest::newRow("letters move, Enter confirms") << "t-enter"
                                                      << "tarifs_HT.PDF";
    }
    void confirming_returns_the_chosen_file() {
        QFETCH(QString, how);
        QFETCH(QString, chosen);
        QVERIFY(choose([&](krv_pdf2& dialog) {
            QListWidget* list = dialog.List1;
            if (how == "enter") {
                QTest::keyClick(list, Qt::Key_Return);
            } else if (how == "down-down-ok") {
                QTest::keyClick(list, Qt::Key_Down);
                QTest::keyClick(list, Qt::Key_Down);
                QTest::mouseClick(dialog.btc_ok, Qt::LeftButton);
            } else if (how == "double-click") {
                const QPoint third = list->visualItemRect(list->item(2)).center();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third);
            } else {
                QTest::keyClick(list, Qt::Key_T);
                QTest::keyClick(list, Qt::Key_Return);
            }
            // Confirmed: busy until the menu window has asked for the document.
            QCOMPARE(current_mouse_pointer(), mouse_pointer::busy);
        }));
        QVERIFY(!find_form<krv_pdf2>());
        QCOMPARE(shared().w_chaine, QDir::currentPath() + u'/' + chosen); // the request's path
        QCOMPARE(shared().nom_document, chosen);
        QVERIFY(shared().requested_path.endsWith(u'/' + chosen));
        QCOMPARE(current_mouse_pointer(), mouse_pointer::arrow);
        QTRY_COMPARE(find_form<affic_pdf>()->APDF_Objet->src(), shared().requested_path);
    }

    void cancelling_leaves_the_viewer_as_it_was_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("Annuler") << "annuler";
        QTest::newRow("closed by the window system") << "close";
    }
    void cancelling_leaves_the_viewer_as_it_was() {
        QFETCH(QString, how);
        const QString before = shared().requested_path;
        set_mouse_pointer(mouse_pointer::arrow);
        QVERIFY(choose([&](krv_pdf2& dialog) {
            if (how == "esc")
                QTest::keyClick(dialog.List1, Qt::Key_Escape);
            else if (how == "annuler")
                QTest::mouseClick(dialog.btc_no, Qt::LeftButton);
            else
                dialog.close();
        }));
        QVERIFY(!find_form<krv_pdf2>());
        QCOMPARE(shared().w_chaine, QString());
        QCOMPARE(shared().requested_path, before);
        QCOMPARE(current_mouse_pointer(), mouse_pointer::arrow);
    }

    void other_keys_never_close() {
        QVERIFY(choose([](krv_pdf2& dialog) {
            for (auto key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Space, Qt::Key_A, Qt::Key_Tab,
                             Qt::Key_F1, Qt::Key_End, Qt::Key_Home, Qt::Key_Backspace})
                QTest::keyClick(dialog.List1, key);
            QVERIFY(dialog.isVisible());
            QVERIFY(!dialog.unloaded());
            dialog.annul_demande();
        }));
    }

    void equal_titles_keep_their_own_files() {
        make_folder({"doc_a.pdf", "Doc a.pdf"});
        QStringList chosen;
        for (int row : {0, 1}) {
            QString expected;
            QVERIFY(choose([&](krv_pdf2& dialog) {
                QCOMPARE(rows(dialog.List1), (QStringList{"Doc a", "Doc a"}));
                expected = dialog.File1.list(row);
                dialog.List1->setCurrentRow(row);
                dialog.List1_DblClick();
            }));
            QCOMPARE(shared().nom_document, expected);
            chosen << expected;
        }
        QCOMPARE(chosen, (QStringList{"Doc a.pdf", "doc_a.pdf"}));
    }

    void empty_folder_confirms_nothing() {
        make_folder({});
        QVERIFY(choose([](krv_pdf2& dialog) {
            QCOMPARE(dialog.List1->count(), 0);
            QCOMPARE(dialog.List1->currentRow(), -1);
            QTest::keyClick(dialog.List1, Qt::Key_Return);
        }));
        QVERIFY(!find_form<krv_pdf2>());
        QCOMPARE(shared().w_chaine, QString());
        QCOMPARE(current_mouse_pointer(), mouse_pointer::arrow);
    }

    void listing_follows_the_folder() {
        make_folder({"b.pdf", "A.PDF", ".cache.pdf", "notes.txt", "c.pdf.bak"});
        QVERIFY(QDir().mkdir("dossier.pdf"));
        QVERIFY(QFile::link("b.pdf", "lien.pdf"));
        QVERIFY(choose([](krv_pdf2& dialog) {
            QCOMPARE(rows(dialog.List1), (QStringList{"A", "B", "Lien"}));
            dialog.annul_demande();
        }));
        QVERIFY(samples::write_colour_pdf("0_nouveau.pdf", Qt::white, "Nouveau"));
        QVERIFY(samples::write_colour_pdf(".pdf", Qt::white, "Sans nom"));
        QVERIFY(choose([](krv_pdf2& dialog) {
            QCOMPARE(rows(dialog.List1), (QStringList{"0 nouveau", "A", "B", "Lien"}));
            dialog.annul_demande();
        }));
        QDir().rmdir("dossier.pdf");
        QFile::remove("lien.pdf");
    }

    void pending_request_keeps_its_path() {
        menu_pdf& menu = load_form<menu_pdf>();
        fixture_.now += 10;
        shared().nom_document = QStringLiteral("Documentation.pdf");
        menu.affic_document();
        const QString requested = shared().requested_path;
        QVERIFY(find_form<affic_pdf>()->Timer1->interval() > 0);
        QVERIFY(choose([](krv_pdf2& dialog) { dialog.annul_demande(); }));
        QTRY_COMPARE(find_form<affic_pdf>()->APDF_Objet->src(), requested);
    }

    void unlistable_folder_gives_a_message_and_an_empty_list() {
        QTemporaryDir gone;
        QVERIFY(QDir::setCurrent(gone.path()));
        QVERIFY(gone.remove());
        QVERIFY(choose([](krv_pdf2& dialog) {
            QCOMPARE(dialog.List1->count(), 0);
            dialog.annul_demande();
        }));
        QVERIFY(QDir::setCurrent(fixture_.folder()));
        QCOMPARE(
            fixture_.messages,
            QStringList{QStringLiteral("Impossible de lister le dossier «\u00a0%1\u00a0»\u00a0: "
                                       "Dossier introuvable")
                            .arg(gone.path())});
    }

    void a_latin1_name_is_listed_readably_and_opens() {
        // Written on another system: the name's bytes are Latin-1, not UTF-8.
        const QByteArray latin = "caf\xe9.pdf";
        QVERIFY(samples::write_colour_pdf("latin.pdf", Qt::green, "Café"));
        QCOMPARE(::rename("latin.pdf", latin.constData()), 0);
        QVERIFY(choose([](krv_pdf2& dialog) {
            QCOMPARE(rows(dialog.List1),
                     (QStringList{"Café", "Doc installation", "Documentation", "Tarifs HT"}));
            QTest::keyClick(dialog.List1, Qt::Key_Return);
        }));
        QCOMPARE(encode_file_name(shared().nom_document), latin);
        QCOMPARE(encode_file_name(shared().requested_path),
                 QFile::encodeName(QDir::currentPath()) + '/' + latin);
        pdf_component* component = find_form<affic_pdf>()->APDF_Objet;
        QTRY_COMPARE(component->src(), shared().requested_path);
        QCOMPARE(component->message(), QString());
        QVERIFY(component->document());
        QCOMPARE(::unlink(latin.constData()), 0);
    }
};

KRV_TEST_MAIN(test_dialog)
#include "test_dialog.moc"
