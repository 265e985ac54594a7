// The program's text rules: the readable names of the document list, the folding
// that lets a search ignore case and accents, and document paths.
#include "nom_lisible.h"
#include "text.h"

#include <QTest>

using namespace krv;

class test_text_rules : public QObject {
    Q_OBJECT

private slots:
    void readable_names_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::newRow("underscore") << "doc_installation.pdf"
                                    << "Doc installation";
        QTest::newRow("plain") << "Documentation.pdf"
                               << "Documentation";
        QTest::newRow("capital extension") << "guide_de_saisie.PDF"
                                           << "Guide de saisie";
        QTest::newRow("mixed extension") << "tarifs_HT.Pdf"
                                         << "Tarifs HT";
        QTest::newRow("all capitals") << "GUIDE.PDF"
                                      << "GUIDE";
        QTest::newRow("marker twice") << "notice.pdf.pdf"
                                      << "Notice";
        QTest::newRow("marker in the middle") << "rapport.pdf_2007.pdf"
                                              << "Rapport";
        QTest::newRow("digit first") << "2008_bilan.pdf"
                                     << "2008 bilan";
        QTest::newRow("leading underscores") << "__lisez_moi.pdf"
                                             << "  lisez moi";
        QTest::newRow("no marker") << "mode_emploi"
                                   << "Mode emploi";
        QTest::newRow("one character") << "a.pdf"
                                       << "A";
        QTest::newRow("other dots stay") << "bilan.2008_final.pdf"
                                         << "Bilan.2008 final";
        QTest::newRow("starts with the marker") << ".pdf"
                                                << "";
        QTest::newRow("marker then text") << ".PDF_notes"
                                          << "";
        QTest::newRow("accented first letter") << "été_2024.pdf"
                                               << "Été 2024";
        QTest::newRow("rest keeps its case") << "mAJ_eXPRESS.pdf"
                                             << "MAJ eXPRESS";
        QTest::newRow("no upper case form") << "ß_test.pdf"
                                            << "ß test";
        QTest::newRow("marker split by case") << "x.PdF.txt"
                                              << "X";
        QTest::newRow("almost a marker") << "x.pd_f"
                                         << "X.pd f";
    }
    void readable_names() {
        QFETCH(QString, file);
        QFETCH(QString, title);
        QCOMPARE(nom_lisible(file), title);
    }

    void folding_for_search_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::newRow("accents and case") << "Règlement ÉTÉ"
                                          << "reglement ete";
        QTest::newRow("œ and æ") << "ŒUVRE ex æquo"
                                 << "oeuvre ex aequo";
        QTest::newRow("ligature") << "ﬁn"
                                  << "fin";
        QTest::newRow("sharp s") << "Straße"
                                 << "strasse";
        QTest::newRow("typographic apostrophe") << "l’été"
                                                << "l'ete";
        QTest::newRow("cedilla") << "Français"
                                 << "francais";
        QTest::newRow("non-breaking spaces") << "a\u00A0:\u202F!"
                                             << "a : !";
        QTest::newRow("decomposed accent") << "e\u0301te\u0301"
                                           << "ete";
    }
    void folding_for_search() {
        QFETCH(QString, text);
        QFETCH(QString, folded);
        QCOMPARE(fold_for_search(text), folded);
    }

    void folding_keeps_the_way_back() {
        // Each folded character knows where it came from: a hit maps back to the page.
        std::vector<int> origin;
        const QString folded = fold_for_search(QStringLiteral("xŒufé"), &origin);
        QCOMPARE(folded, QStringLiteral("xoeufe"));
        QCOMPARE(origin, (std::vector<int>{0, 1, 1, 2, 3, 4}));
    }

    void document_paths_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("trailing spaces dropped") << "/doc"
                                                 << "Documentation.pdf   "
                                                 << "/doc/Documentation.pdf";
        QTest::newRow("leading spaces kept") << "/doc"
                                             << " a b.pdf"
                                             << "/doc/ a b.pdf";
        QTest::newRow("folder ending with a separator") << "/doc/"
                                                        << "x.pdf"
                                                        << "/doc//x.pdf";
    }
    void document_paths() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(document_path(folder, name), path);
    }

    void trimming_spaces_only() {
        QCOMPARE(trim_spaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
        QCOMPARE(trim_spaces(QStringLiteral("\ta\t")), QStringLiteral("\ta\t"));
        QCOMPARE(trim_spaces(QStringLiteral("   ")), QString());
    }
};

QTEST_GUILESS_MAIN(test_text_rules)
#include "test_text_rules.moc"
