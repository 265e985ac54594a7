// Choosing another document: readable names, the framed list dialog, and the
// document choice command of the menu window.
#include "affic_pdf.h"
#include "desktop.h"
#include "failures.h"
#include "icc.h"
#include "krv_pdf2.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "nom_lisible.h"
#include "resources.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

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
        numbers << list->item(i)->data(role_numero_fichier).toInt();
    return numbers;
}

twips_rect twips_of(const QWidget* w) {
    const QRect g = w->geometry();
    return {to_twips(g.x()), to_twips(g.y()), to_twips(g.width()), to_twips(g.height())};
}

} // namespace

class test_dialog : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString previous_;
    QStringList messages_;
    double now_ = 5000.0;

    void make_folder(const QStringList& names) {
        QDir folder(QDir::currentPath());
        for (const QString& f : folder.entryList(QDir::Files | QDir::Hidden))
            folder.remove(f);
        for (const QString& name : names)
            QVERIFY(samples::write_colour_pdf(name, Qt::white, name));
    }

    // Opens the dialog through the magnifying glass, lets `act` use it, and
    // returns once the document choice command has finished.
    void choose(const std::function<void(krv_pdf2&)>& act) {
        menu_pdf& menu = instance<menu_pdf>();
        now_ += 10; // well past the last request
        QTimer::singleShot(0, this, [&] {
            QVERIFY(is_loaded<krv_pdf2>());
            krv_pdf2& dialog = instance<krv_pdf2>();
            QVERIFY(dialog.isVisible());
            act(dialog);
        });
        QTest::mouseClick(menu.bt_rech, Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
        set_message_box_action([this](const QString& text, const QString&) { messages_ << text; });
        set_end_program_action([](int) { QFAIL("the program ended"); });
        set_horloge([this] { return now_; });
        make_folder({"Documentation.pdf"});
        instance<menu_pdf>().show_modeless();
    }
    void init() {
        messages_.clear();
        make_folder({"doc_installation.pdf", "Documentation.pdf", "tarifs_HT.PDF"});
        partage().w_chaine = QStringLiteral("avant");
        set_mouse_pointer(mouse_pointer::arrow);
    }
    void cleanupTestCase() {
        unload_all_forms();
        set_horloge({});
        set_message_box_action({});
        set_end_program_action({});
        QDir::setCurrent(previous_);
    }

    // ------------------------------------------------------------ display names
    void readable_names_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::newRow("underscore") << "doc_installation.pdf" << "Doc installation";
        QTest::newRow("plain") << "Documentation.pdf" << "Documentation";
        QTest::newRow("capital extension") << "guide_de_saisie.PDF" << "Guide de saisie";
        QTest::newRow("mixed extension") << "tarifs_HT.Pdf" << "Tarifs HT";
        QTest::newRow("all capitals") << "GUIDE.PDF" << "GUIDE";
        QTest::newRow("marker twice") << "notice.pdf.pdf" << "Notice";
        QTest::newRow("marker in the middle") << "rapport.pdf_2007.pdf" << "Rapport";
        QTest::newRow("digit first") << "2008_bilan.pdf" << "2008 bilan";
        QTest::newRow("leading underscores") << "__lisez_moi.pdf" << "  lisez moi";
        QTest::newRow("no marker") << "mode_emploi" << "Mode emploi";
        QTest::newRow("one character") << "a.pdf" << "A";
        QTest::newRow("other dots stay") << "bilan.2008_final.pdf" << "Bilan.2008 final";
        QTest::newRow("starts with the marker") << ".pdf" << "";
        QTest::newRow("marker then text") << ".PDF_notes" << "";
        QTest::newRow("accented first letter") << "été_2024.pdf" << "Été 2024";
        QTest::newRow("rest keeps its case") << "mAJ_eXPRESS.pdf" << "MAJ eXPRESS";
        QTest::newRow("no upper case form") << "ß_test.pdf" << "ß test";
        QTest::newRow("marker split by case") << "x.PdF.txt" << "X";
        QTest::newRow("almost a marker") << "x.pd_f" << "X.pd f";
    }
    void readable_names() {
        QFETCH(QString, file);
        QFETCH(QString, title);
        QCOMPARE(nom_lisible(file), title);
    }

    // ------------------------------------------------------------ border
    void border_tiles_the_band_round_the_dialog() {
        choose([](krv_pdf2& dialog) {
            const twips_rect expected[] = {
                {0, 0, 480, 480},       {11370, 0, 480, 480},    {11370, 7710, 480, 480},
                {0, 7710, 480, 480},    {0, 480, 480, 7230},     {480, 0, 10890, 480},
                {11370, 480, 480, 7230}, {480, 7710, 10890, 480},
            };
            const icc& store = instance<icc>();
            for (int i = 0; i < 8; ++i) {
                QCOMPARE(twips_of(dialog.ccb[i]), expected[i]);
                QVERIFY(!dialog.ccb[i]->picture().isNull());
                QCOMPARE(dialog.ccb[i]->picture().toImage(), store.ccb[i]->picture().toImage());
                QCOMPARE(dialog.ccb[i]->stretch(), i >= 4);
            }
            // Every other control is drawn over the frame.
            const QObjectList stack = dialog.children();
            for (QWidget* other : {static_cast<QWidget*>(dialog.List1), static_cast<QWidget*>(dialog.Label1),
                                   static_cast<QWidget*>(dialog.Label2), static_cast<QWidget*>(dialog.btc_ok),
                                   static_cast<QWidget*>(dialog.btc_no)})
                for (auto* piece : dialog.ccb)
                    QVERIFY(stack.indexOf(piece) < stack.indexOf(other));
            QVERIFY(!store.isVisible());
            dialog.annul_demande();
        });
        const icc* first = &instance<icc>();
        choose([&](krv_pdf2& dialog) {
            QCOMPARE(&instance<icc>(), first); // the store is made once
            QCOMPARE(twips_of(dialog.ccb[6]), (twips_rect{11370, 480, 480, 7230}));
            dialog.annul_demande();
        });
        QVERIFY(!instance<icc>().isVisible());
    }

    void every_picture_exists() {
        for (const QString& name : images::toutes())
            QVERIFY2(!QImage(name).isNull(), qPrintable(name));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(QImage(images::bordure(i)).size(), QSize(32, 32));
        QCOMPARE(QImage(images::btc_ok).size(), QSize(73, 73));
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
    void dialog_is_placed_and_filled() {
        choose([](krv_pdf2& dialog) {
            QCOMPARE(dialog.twips_left(), 2512.5f);
            QCOMPARE(dialog.twips_top(), 1665.0f);
            QCOMPARE(dialog.twips_width(), 11850.0f);
            QCOMPARE(dialog.twips_height(), 8190.0f);
            QCOMPARE(rows(dialog.List1),
                     (QStringList{"Doc installation", "Documentation", "Tarifs HT"}));
            QCOMPARE(data(dialog.List1), (QList<int>{0, 1, 2}));
            QCOMPARE(dialog.List1->currentRow(), 0);
            QVERIFY(dialog.List1->hasFocus() || QApplication::focusWidget() == nullptr);
            QCOMPARE(dialog.Label1->text(),
                     QStringLiteral("Cliquez deux fois sur la documentation à visualiser. Vous pourrez "
                                    "l'imprimer directement à partir de l'écran suivant."));
            QCOMPARE(dialog.Label1->palette().color(QPalette::WindowText), QColor(192, 64, 0));
            QCOMPARE(twips_of(dialog.List1), (twips_rect{450, 1020, 10845, 5190}));
            QCOMPARE(twips_of(dialog.btc_no), (twips_rect{9000, 6540, 1095, 1095}));
            QCOMPARE(twips_of(dialog.btc_ok), (twips_rect{10230, 6540, 1095, 1095}));
            QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(instance<menu_pdf>().isVisible());
            QVERIFY(dialog.isModal() || dialog.windowModality() == Qt::ApplicationModal);
            dialog.annul_demande();
        });
    }

    void confirming_returns_the_chosen_file_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("Enter at once") << "enter" << "doc_installation.pdf";
        QTest::newRow("Down, Down, Valider") << "down-down-ok" << "tarifs_HT.PDF";
        QTest::newRow("double-click on the third row") << "double-click" << "tarifs_HT.PDF";
        QTest::newRow("letters move, Enter confirms") << "t-enter" << "tarifs_HT.PDF";
    }
    void confirming_returns_the_chosen_file() {
        QFETCH(QString, how);
        QFETCH(QString, chosen);
        choose([&](krv_pdf2& dialog) {
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
        });
        QVERIFY(!is_loaded<krv_pdf2>());
        QCOMPARE(partage().w_chaine, QDir::currentPath() + u'/' + chosen); // the request's path
        QCOMPARE(partage().nom_document, chosen);
        QVERIFY(partage().chemin_demande.endsWith(u'/' + chosen));
        QCOMPARE(current_mouse_pointer(), mouse_pointer::arrow);
        QTRY_COMPARE(instance<affic_pdf>().APDF_Objet->src(), partage().chemin_demande);
    }

    void cancelling_leaves_the_viewer_as_it_was_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("Annuler") << "annuler";
        QTest::newRow("closed by the window system") << "close";
    }
    void cancelling_leaves_the_viewer_as_it_was() {
        QFETCH(QString, how);
        const QString before = partage().chemin_demande;
        set_mouse_pointer(mouse_pointer::arrow);
        choose([&](krv_pdf2& dialog) {
            if (how == "esc")
                QTest::keyClick(dialog.List1, Qt::Key_Escape);
            else if (how == "annuler")
                QTest::mouseClick(dialog.btc_no, Qt::LeftButton);
            else
                dialog.close();
        });
        QVERIFY(!is_loaded<krv_pdf2>());
        QCOMPARE(partage().w_chaine, QString());
        QCOMPARE(partage().chemin_demande, before);
        QCOMPARE(current_mouse_pointer(), mouse_pointer::arrow);
    }

    void other_keys_never_close() {
        choose([](krv_pdf2& dialog) {
            for (auto key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Space, Qt::Key_A, Qt::Key_Tab, Qt::Key_F1,
                             Qt::Key_End, Qt::Key_Home, Qt::Key_Backspace})
                QTest::keyClick(dialog.List1, key);
            QVERIFY(dialog.isVisible());
            QVERIFY(!dialog.unloaded());
            dialog.annul_demande();
        });
    }

    void equal_titles_keep_their_own_files() {
        make_folder({"doc_a.pdf", "Doc a.pdf"});
        QStringList chosen;
        for (int row : {0, 1}) {
            QString expected;
            choose([&](krv_pdf2& dialog) {
                QCOMPARE(rows(dialog.List1), (QStringList{"Doc a", "Doc a"}));
                expected = dialog.File1.list(row);
                dialog.List1->setCurrentRow(row);
                dialog.List1_DblClick();
            });
            QCOMPARE(partage().nom_document, expected);
            chosen << expected;
        }
        QCOMPARE(chosen, (QStringList{"Doc a.pdf", "doc_a.pdf"}));
    }

    void empty_folder_confirms_nothing() {
        make_folder({});
        choose([](krv_pdf2& dialog) {
            QCOMPARE(dialog.List1->count(), 0);
            QCOMPARE(dialog.List1->currentRow(), -1);
            QTest::keyClick(dialog.List1, Qt::Key_Return);
        });
        QVERIFY(!is_loaded<krv_pdf2>());
        QCOMPARE(partage().w_chaine, QString());
        QCOMPARE(current_mouse_pointer(), mouse_pointer::arrow);
    }

    void listing_follows_the_folder() {
        make_folder({"b.pdf", "A.PDF", ".cache.pdf", "notes.txt", "c.pdf.bak"});
        QVERIFY(QDir().mkdir("dossier.pdf"));
        QVERIFY(QFile::link("b.pdf", "lien.pdf"));
        choose([](krv_pdf2& dialog) {
            QCOMPARE(rows(dialog.List1), (QStringList{"A", "B", "Lien"}));
            dialog.annul_demande();
        });
        QVERIFY(samples::write_colour_pdf("0_nouveau.pdf", Qt::white, "Nouveau"));
        QVERIFY(samples::write_colour_pdf(".pdf", Qt::white, "Sans nom"));
        choose([](krv_pdf2& dialog) {
            QCOMPARE(rows(dialog.List1), (QStringList{"0 nouveau", "A", "B", "Lien"}));
            dialog.annul_demande();
        });
        QDir().rmdir("dossier.pdf");
        QFile::remove("lien.pdf");
    }

    void pending_request_keeps_its_path() {
        menu_pdf& menu = instance<menu_pdf>();
        now_ += 10;
        partage().nom_document = QStringLiteral("Documentation.pdf");
        menu.affic_document();
        const QString requested = partage().chemin_demande;
        QVERIFY(instance<affic_pdf>().Timer1->interval() > 0);
        choose([](krv_pdf2& dialog) { dialog.annul_demande(); });
        QTRY_COMPARE(instance<affic_pdf>().APDF_Objet->src(), requested);
    }

    void unlistable_folder_gives_a_message_and_an_empty_list() {
        QTemporaryDir gone;
        QVERIFY(QDir::setCurrent(gone.path()));
        QVERIFY(gone.remove());
        choose([](krv_pdf2& dialog) {
            QCOMPARE(dialog.List1->count(), 0);
            dialog.annul_demande();
        });
        QVERIFY(QDir::setCurrent(dir_.path()));
        QCOMPARE(messages_.size(), 1);
    }
};

KRV_TEST_MAIN(test_dialog)
#include "test_dialog.moc"
