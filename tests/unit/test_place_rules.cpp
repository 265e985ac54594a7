// Where the host's value asks a document to open: the name, then "#page=",
// "#nameddest=" or "#search=", read only when the whole value names no file of
// the folder and the part before a "#" does.
#include "document_place.h"

#include <QTest>

using namespace krv;

class test_place_rules : public QObject {
    Q_OBJECT

private slots:
    void values_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("search");
        const QStringList guide{"guide.PDF"};
        QTest::newRow("page") << "guide.PDF#page=12" << guide << "guide.PDF" << 12 << ""
                              << "";
        QTest::newRow("named destination")
            << "guide.PDF#nameddest=fiche_client" << guide << "guide.PDF" << 0 << "fiche_client"
            << "";
        QTest::newRow("search") << "guide.PDF#search=remise" << guide << "guide.PDF" << 0 << ""
                                << "remise";
        QTest::newRow("quoted search, escaped space")
            << "guide.PDF#search=\"prix%20HT\"" << guide << "guide.PDF" << 0 << ""
            << "prix HT";
        QTest::newRow("several, unknown ones ignored")
            << "guide.PDF#zoom=200&page=3&search=tva" << guide << "guide.PDF" << 3 << ""
            << "tva";
        QTest::newRow("a search's second hit")
            << "guide.PDF#page=4&search=tva&hit=2" << guide << "guide.PDF" << 4 << ""
            << "tva";
        QTest::newRow("keys in capitals") << "guide.PDF#PAGE=2" << guide << "guide.PDF" << 2 << ""
                                          << "";
        // The fixed-width field pads the value; the padding is no part of the place.
        QTest::newRow("padded with spaces")
            << "guide.PDF#page=12" + QString(23, u' ') << guide << "guide.PDF" << 12 << ""
            << "";
        QTest::newRow("padded with NULs")
            << "guide.PDF#page=4" + QString(3, QChar(0)) << guide << "guide.PDF" << 4 << ""
            << "";
        // A file whose real name holds "#" is that file, not a place in another.
        QTest::newRow("real name holding #")
            << "notes#page=2.pdf" << QStringList{"notes", "notes#page=2.pdf"} << "notes#page=2.pdf"
            << 0 << ""
            << "";
        QTest::newRow("name holding #, then a place")
            << "a#b.pdf#page=2" << QStringList{"a", "a#b.pdf"} << "a#b.pdf" << 2 << ""
            << "";
        QTest::newRow("searched word holding #")
            << "guide.PDF#search=C#" << guide << "guide.PDF" << 0 << ""
            << "C#";
        // No file has the name, or a hit's document vanished: the place still
        // comes apart, so that the message names the file alone.
        QTest::newRow("part before # missing")
            << "absent.pdf#page=2" << guide << "absent.pdf" << 2 << ""
            << "";
        QTest::newRow("vanished hit's document")
            << "parti.pdf#page=1&search=ligne" << guide << "parti.pdf" << 1 << ""
            << "ligne";
        QTest::newRow("missing, no place after the #")
            << "notes#page=2.pdf" << guide << "notes#page=2.pdf" << 0 << ""
            << "";
        // Escapes: numbers too; invalid ones as typed; bytes not UTF-8 in the
        // host's code page; a NUL ends the value, shown and searched alike.
        QTest::newRow("escaped page") << "guide.PDF#page=%31%32" << guide << "guide.PDF" << 12 << ""
                                      << "";
        QTest::newRow("invalid escapes as typed")
            << "guide.PDF#search=100%&nameddest=a%zz%4" << guide << "guide.PDF" << 0 << "a%zz%4"
            << "100%";
        QTest::newRow("Windows-1252 escapes")
            << "guide.PDF#search=r%E9gl%E9%20%80" << guide << "guide.PDF" << 0 << ""
            << "réglé €";
        QTest::newRow("escaped NUL")
            << "guide.PDF#search=tva%00ligne" << guide << "guide.PDF" << 0 << ""
            << "tva";
        QTest::newRow("no place") << "guide.PDF" << guide << "guide.PDF" << 0 << ""
                                  << "";
        QTest::newRow("# alone") << "guide.PDF#" << guide << "guide.PDF" << 0 << ""
                                 << "";
        QTest::newRow("page 0") << "guide.PDF#page=0" << guide << "guide.PDF" << 0 << ""
                                << "";
        // Beyond the last page is the document's affair: it opens at its first.
        QTest::newRow("far beyond the last page")
            << "guide.PDF#page=999999" << guide << "guide.PDF" << 999999 << ""
            << "";
        QTest::newRow("too large to be a page")
            << "guide.PDF#page=99999999999" << guide << "guide.PDF" << 0 << ""
            << "";
        QTest::newRow("negative page") << "guide.PDF#page=-3" << guide << "guide.PDF" << 0 << ""
                                       << "";
        QTest::newRow("page in words") << "guide.PDF#page=douze" << guide << "guide.PDF" << 0 << ""
                                       << "";
        // The value holds 40 characters: a place that fits is read whole, one cut
        // by the field asks for what is left (an unknown name opens the first page).
        QTest::newRow("40 characters")
            << "guide_de_saisie.PDF#search=remise_client" << QStringList{"guide_de_saisie.PDF"}
            << "guide_de_saisie.PDF" << 0 << ""
            << "remise_client";
        QTest::newRow("cut by the field in the value")
            << QStringLiteral("guide_de_saisie.PDF#nameddest=fiche_client").left(40)
            << QStringList{"guide_de_saisie.PDF"} << "guide_de_saisie.PDF" << 0 << "fiche_clie"
            << "";
        QTest::newRow("cut by the field in the key")
            << "guide_de_saisie_et_de_reglement.PDF#pag"
            << QStringList{"guide_de_saisie_et_de_reglement.PDF"}
            << "guide_de_saisie_et_de_reglement.PDF" << 0 << ""
            << "";
    }
    void values() {
        QFETCH(QString, value);
        QFETCH(QStringList, files);
        QFETCH(QString, name);
        QFETCH(int, page);
        QFETCH(QString, destination);
        QFETCH(QString, search);
        const placed_name split =
            split_place(value, [&](const QString& file) { return files.contains(file); });
        QCOMPARE(split.name, name);
        QCOMPARE(split.place.page, page);
        QCOMPARE(split.place.destination, destination);
        QCOMPARE(split.place.search, search);
    }

    // A place written out (as a hit of the search in every document asks for its
    // document) reads back the same, whatever its words hold.
    void places_written_read_back_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("occurrence");
        QTest::newRow("page and word") << 3 << ""
                                       << "remise" << 0;
        QTest::newRow("the third hit of the page") << 3 << ""
                                                   << "remise" << 2;
        QTest::newRow("signs in the word") << 12 << ""
                                           << "prix & taxes #2 100 % \"net\"" << 1;
        QTest::newRow("accents") << 1 << ""
                                 << "Règlement été" << 0;
        QTest::newRow("destination") << 0 << "fiche client"
                                     << "" << 0;
        QTest::newRow("nothing") << 0 << ""
                                 << "" << 0;
    }
    void places_written_read_back() {
        QFETCH(int, page);
        QFETCH(QString, destination);
        QFETCH(QString, search);
        QFETCH(int, occurrence);
        const document_place place{page, destination, search, occurrence};
        const QString value = "guide.PDF" + place_parameters(place);
        const placed_name read =
            split_place(value, [](const QString& f) { return f == "guide.PDF"; });
        QCOMPARE(read.name, QStringLiteral("guide.PDF"));
        QVERIFY(read.place == place);
    }
};

QTEST_APPLESS_MAIN(test_place_rules)
#include "test_place_rules.moc"
