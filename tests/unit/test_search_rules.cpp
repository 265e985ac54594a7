// A page's folded text leads back to the characters it came from: ligatures
// spelt out, marks dropped, œ and ß written in two letters, in any mix.
#include "text.h"
#include "text_search.h"
#include "text_store.h"

#include <QTest>

using namespace krv;

class test_search_rules : public QObject {
    Q_OBJECT
private slots:
    void folded_characters_lead_back_to_their_origin_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "Le règlement des factures";
        QTest::newRow("ligatures") << "Le \uFB01chier, \uFB02eur et \uFB03ce";
        QTest::newRow("marks dropped") << "e\u0301te\u0301 a\u0300 l\u2019e\u0301cole";
        QTest::newRow("all at once") << "\uFB01n de l\u2019\u0153uvre\u00a0: Stra\u00dfe, "
                                        "e\u0301te\u0301 \uFB02ou, \u00e6ther";
        QTest::newRow("empty") << "";
    }
    void folded_characters_lead_back_to_their_origin() {
        QFETCH(QString, text);
        std::vector<int> origin;
        const QString folded = fold_for_search(text, &origin);
        const page_text page = page_text_of(text);
        QCOMPARE(page.folded, folded);
        for (int i = 0; i < folded.size(); ++i)
            QCOMPARE(page.original_index(i), origin[static_cast<std::size_t>(i)]);
        QVERIFY(page.shifts.size() <= 2 * static_cast<std::size_t>(text.size()) / 3 + 1);
    }

    void hits_cover_the_original_characters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("found"); // the original characters the hit covers
        QTest::newRow("after a ligature") << "Le \uFB01chier final"
                                          << "final"
                                          << "final";
        QTest::newRow("a ligature in it") << "Le \uFB01chier final"
                                          << "fichier"
                                          << "\uFB01chier";
        QTest::newRow("œ") << "L\u2019\u0153uvre compl\u00e8te"
                           << "oeuvre"
                           << "\u0153uvre";
        QTest::newRow("after dropped marks") << "e\u0301te\u0301 chaud"
                                             << "chaud"
                                             << "chaud";
    }
    void hits_cover_the_original_characters() {
        QFETCH(QString, text);
        QFETCH(QString, word);
        QFETCH(QString, found);
        const auto hits = find_in_page(page_text_of(text), 0, fold_for_search(word));
        QCOMPARE(hits.size(), std::size_t(1));
        QCOMPARE(text.mid(hits[0].start, hits[0].length), found);
    }

    // What the search bar says, in French: the count with its plural, the hit
    // the reader is on, how far a long search has got.
    void the_search_bar_says_where_the_search_stands_data() {
        QTest::addColumn<int>("hits");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("percent");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("said");
        QTest::newRow("none yet") << 0 << -1 << 40 << true << "Recherche… 40\u00a0%";
        QTest::newRow("none") << 0 << -1 << 100 << false << "Aucun résultat";
        QTest::newRow("one, running")
            << 1 << -1 << 40 << true << "1\u00a0résultat, recherche… 40\u00a0%";
        QTest::newRow("twelve, running")
            << 12 << -1 << 40 << true << "12\u00a0résultats, recherche… 40\u00a0%";
        QTest::newRow("on the third") << 12 << 2 << 100 << false << "3 sur 12";
        QTest::newRow("on the third, running")
            << 12 << 2 << 75 << true << "3 sur 12, recherche… 75\u00a0%";
        QTest::newRow("thousands") << 59798 << 1233 << 100 << false << "1\u202f234 sur 59\u202f798";
    }
    void the_search_bar_says_where_the_search_stands() {
        QFETCH(int, hits);
        QFETCH(int, current);
        QFETCH(int, percent);
        QFETCH(bool, running);
        QFETCH(QString, said);
        QCOMPARE(search_status_text({hits, current, percent, running}), said);
    }
};

QTEST_GUILESS_MAIN(test_search_rules)
#include "test_search_rules.moc"
