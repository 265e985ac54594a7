// The program's text rules: the readable names of the document list, the folding
// that lets a search ignore case and accents, document paths, file names kept as
// the file system's bytes, and the French texts of system errors.
#include "errors.h"
#include "file_names.h"
#include "nom_lisible.h"
#include "text.h"

#include <QTest>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <random>

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
        // A word cut at a line end is found whole, not a compound or a number.
        QTest::newRow("cut, as Qt PDF gives it") << "la cor\uFFFErection"
                                                 << "la correction";
        QTest::newRow("cut with a hyphen") << "cor-\r\nrection"
                                           << "correction";
        QTest::newRow("cut with a soft hyphen") << "cor\u00AD\nrection co\u00ADpie"
                                                << "correction copie";
        QTest::newRow("a compound's hyphen") << "Jean-\nPierre"
                                             << "jean-\npierre";
        QTest::newRow("a number's hyphen") << "320-\n314"
                                           << "320-\n314";
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

    // The line round a hit, as the results of a search in every document show it;
    // the hit is marked [ ] in the expected line.
    void lines_round_a_hit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hit");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("line");
        QTest::newRow("its own line") << "Titre\r\nLes remises du mois\r\nFin"
                                      << "remises" << 80 << "Les [remises] du mois";
        QTest::newRow("first line") << "remise HT\nsuite"
                                    << "remise" << 80 << "[remise] HT";
        QTest::newRow("last line, no break") << "haut\nprix remisé"
                                             << "remisé" << 80 << "prix [remisé]";
        QTest::newRow("blanks made plain") << "\t  a\u00a0\u00a0 remise\tb  \n"
                                           << "remise" << 80 << "a [remise] b";
        QTest::newRow("a hit across a line break")
            << "la re-\nmise est faite\nfin"
            << "re-\nmise" << 80 << "la [re- mise] est faite";
        QTest::newRow("a word cut at a line end")
            << "la cor\uFFFErection des copies"
            << "cor\uFFFErection" << 80 << "la [correction] des copies";
        QTest::newRow("cut on both sides") << "aaaaaaaaaa bbbbbbbbbb remise cccccccccc dddddddddd"
                                           << "remise" << 20 << "…bbbbbb [remise] cccccc…";
        QTest::newRow("cut after only") << "remise cccccccccc dddddddddd"
                                        << "remise" << 12 << "[remise] ccccc…";
        QTest::newRow("cut before only") << "aaaaaaaaaa bbbbbbbbbb remise"
                                         << "remise" << 12 << "…bbbbb [remise]";
    }
    void lines_round_a_hit() {
        QFETCH(QString, text);
        QFETCH(QString, hit);
        QFETCH(int, width);
        QFETCH(QString, line);
        const int start = static_cast<int>(text.indexOf(hit));
        QVERIFY(start >= 0);
        const line_excerpt excerpt = line_around(text, start, static_cast<int>(hit.size()), width);
        QString marked = excerpt.text;
        marked.insert(excerpt.hit_start + excerpt.hit_length, u']');
        marked.insert(excerpt.hit_start, u'[');
        QCOMPARE(marked, line);
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
        // The host's C strings end at their first NUL.
        QTest::newRow("padded with NULs")
            << "/doc" << QStringLiteral("guide_de_saisie.PDF") + QString(21, QChar(0))
            << "/doc/guide_de_saisie.PDF";
        QTest::newRow("spaces then NULs")
            << "/doc" << QStringLiteral("a.pdf   ") + QString(3, QChar(0)) << "/doc/a.pdf";
        QTest::newRow("text after a NUL is dropped")
            << "/doc" << QStringLiteral("a.pdf") + QChar(0) + QStringLiteral("b.pdf")
            << "/doc/a.pdf";
        QTest::newRow("a Latin-1 name keeps its byte")
            << "/doc" << decode_file_name("caf\xe9.pdf") << decode_file_name("/doc/caf\xe9.pdf");
    }
    void document_paths() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(document_path(folder, name), path);
    }

    // ------------------------------------------------------------ file names
    void file_names_keep_their_bytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("ASCII") << QByteArray("Documentation.pdf") << "Documentation.pdf";
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9.pdf") << "café.pdf";
        QTest::newRow("four-byte UTF-8")
            << QByteArray("\xf0\x9f\x93\x84.pdf") << QStringLiteral("\U0001F4C4.pdf");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.pdf") << QStringLiteral("caf\xdce9.pdf");
        QTest::newRow("lone continuation") << QByteArray("\x80") << QStringLiteral("\xdc80");
        QTest::newRow("cut sequence") << QByteArray("a\xc3") << QStringLiteral("a\xdcc3");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QStringLiteral("\xdcc0\xdcaf");
        QTest::newRow("encoded surrogate")
            << QByteArray("\xed\xa0\x80") << QStringLiteral("\xdced\xdca0\xdc80");
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\xdcf4\xdc90\xdc80\xdc80");
        QTest::newRow("all high bytes") << QByteArray("\xff\xfe") << QStringLiteral("\xdcff\xdcfe");
    }
    void file_names_keep_their_bytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, decoded);
        QCOMPARE(decode_file_name(bytes), decoded);
        QCOMPARE(encode_file_name(decode_file_name(bytes)), bytes);
    }

    void any_bytes_come_back() {
        std::mt19937 random(2024);
        for (int round = 0; round < 5000; ++round) {
            QByteArray bytes(std::uniform_int_distribution<int>(0, 12)(random), 0);
            for (auto& b : bytes) // mostly high bytes, where the sequences are
                b = static_cast<char>(random() % 3 ? 0x80 | random() : random());
            QCOMPARE(encode_file_name(decode_file_name(bytes)), bytes);
        }
    }

    void names_read_as_a_person_reads_them_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readable");
        QTest::addColumn<QString>("title");
        QTest::newRow("UTF-8 unchanged") << QByteArray("caf\xc3\xa9.pdf") << "café.pdf"
                                         << "Café";
        QTest::newRow("Latin-1 as Windows-1252") << QByteArray("caf\xe9.pdf") << "café.pdf"
                                                 << "Café";
        QTest::newRow("Windows-1252 euro") << QByteArray("prix_\x80.pdf") << "prix_€.pdf"
                                           << "Prix €";
        QTest::newRow("mixed: all bytes in the code page")
            << QByteArray("\xc3\xa9t\xe9.pdf") << "Ã©té.pdf"
            << "Ã©té";
        QTest::newRow("capital first letter") << QByteArray("\xe9t\xe9_2024.pdf") << "été_2024.pdf"
                                              << "Été 2024";
    }
    void names_read_as_a_person_reads_them() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readable);
        QFETCH(QString, title);
        QCOMPARE(readable_file_name(decode_file_name(bytes)), readable);
        QCOMPARE(nom_lisible(readable_file_name(decode_file_name(bytes))), title);
    }

    // ------------------------------------------------------------ system errors
    void system_errors_in_french_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("ENOENT") << ENOENT << "Fichier introuvable";
        QTest::newRow("EACCES") << EACCES << "Accès refusé";
        QTest::newRow("EPERM") << EPERM << "Accès refusé";
        QTest::newRow("EISDIR") << EISDIR << "C’est un dossier";
        QTest::newRow("ENOTDIR") << ENOTDIR << "Un élément du chemin n’est pas un dossier";
        QTest::newRow("EROFS") << EROFS << "Support en lecture seule";
        QTest::newRow("ENOSPC") << ENOSPC << "Plus de place sur le disque";
        QTest::newRow("EDQUOT") << EDQUOT << "Quota de disque dépassé";
        QTest::newRow("EIO") << EIO << "Erreur d’entrée-sortie sur le disque";
        QTest::newRow("ELOOP") << ELOOP << "Trop de liens symboliques, ou lien refusé";
        QTest::newRow("EMFILE") << EMFILE << "Trop de fichiers ouverts";
        QTest::newRow("ENFILE") << ENFILE << "Trop de fichiers ouverts";
        QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << "Nom trop long";
        QTest::newRow("EBUSY") << EBUSY << "Fichier occupé";
        QTest::newRow("ETXTBSY") << ETXTBSY << "Fichier occupé";
        QTest::newRow("EEXIST") << EEXIST << "Le fichier existe déjà";
        QTest::newRow("EFBIG") << EFBIG << "Fichier trop volumineux";
        QTest::newRow("ENXIO") << ENXIO << "Périphérique absent";
        QTest::newRow("ENODEV") << ENODEV << "Périphérique absent";
        QTest::newRow("EINVAL") << EINVAL << "Opération impossible sur ce fichier";
        QTest::newRow("EAGAIN") << EAGAIN << "Fichier momentanément indisponible";
        QTest::newRow("ENOMEM") << ENOMEM << "Mémoire insuffisante";
    }
    void system_errors_in_french() {
        QFETCH(int, number);
        QFETCH(QString, text);
        std::setlocale(LC_ALL, "C"); // where the system's own texts are English
        QCOMPARE(system_message(number), text);
    }

    void rare_errors_keep_the_systems_text() {
        std::setlocale(LC_ALL, "C");
        const QString text = system_message(EXDEV);
        QVERIFY(text.startsWith(QString::fromLocal8Bit(std::strerror(EXDEV))));
        QVERIFY(text.endsWith(QStringLiteral("(erreur %1)").arg(EXDEV)));
    }

    void file_errors_name_what_they_worked_on() {
        QCOMPARE(file_error(QStringLiteral("de lister"), QStringLiteral("/chemin"), ENOENT,
                            file_kind::folder)
                     .description(),
                 QStringLiteral("Impossible de lister le dossier «\u00a0/chemin\u00a0»\u00a0: "
                                "Dossier introuvable"));
        QCOMPARE(file_error(QStringLiteral("d’ouvrir"), QStringLiteral("W_intlog.wdo"), EACCES)
                     .description(),
                 QStringLiteral("Impossible d’ouvrir le fichier «\u00a0W_intlog.wdo\u00a0»\u00a0: "
                                "Accès refusé"));
    }

    void trimming_spaces_only() {
        QCOMPARE(trim_spaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
        QCOMPARE(trim_spaces(QStringLiteral("\ta\t")), QStringLiteral("\ta\t"));
        QCOMPARE(trim_spaces(QStringLiteral("   ")), QString());
    }
};

QTEST_GUILESS_MAIN(test_text_rules)
#include "test_text_rules.moc"
