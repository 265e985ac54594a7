// The search in every document of the folder: hits grouped by document in the
// list's order, by page within each, with the line round them; accents and case
// ignored; a new word drops the search before it; a protected document and one
// that cannot be read are named with their reason; a chosen hit asks for its
// document at its page, through the windows' opening routine.
#include "affic_pdf.h"
#include "fixture.h"
#include "folder_results.h"
#include "folder_search.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "nom_lisible.h"
#include "pdf_builder.h"
#include "sample_pdf.h"
#include "test_main.h"
#include "text_store.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace krv;

namespace {

// Pages of text on white; `words` puts a line with the word on those pages (from 0).
std::vector<samples::text_page> pages_with(int count, const std::map<int, QStringList>& words) {
    std::vector<samples::text_page> pages(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto& page = pages[static_cast<std::size_t>(i)];
        page.lines << QStringLiteral("Page %1 du guide").arg(i + 1);
        if (const auto found = words.find(i); found != words.end())
            page.lines << found->second;
    }
    return pages;
}

// What the results list shows: per group, its name, then "page: line" rows.
QStringList shown(const QTreeWidget* tree) {
    QStringList rows;
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = tree->topLevelItem(g);
        rows << group->text(0);
        for (int i = 0; i < group->childCount(); ++i)
            rows << QStringLiteral("  ") + group->child(i)->text(0);
    }
    return rows;
}

} // namespace

class test_folder_search : public QObject {
    Q_OBJECT
    program_fixture fixture_;
    std::vector<folder_document> documents_;

private slots:
    void initTestCase() {
        QVERIFY(fixture_.set_up());
        QVERIFY(samples::write_text_pdf(
            fixture_.path("a_remises.pdf"),
            pages_with(6, {{1, {"Conditions de remise"}}, {4, {"Remise annuelle : 5 %"}}})));
        QVERIFY(samples::write_text_pdf(fixture_.path("b_tarifs.pdf"),
                                        pages_with(3, {{2, {"Tarifs HT"}}})));
        QVERIFY(samples::write_text_pdf(
            fixture_.path("c_reglement.pdf"),
            pages_with(2, {{0, {"Règlement : la REMISE se déduit", "puis la remisé finale"}}})));
        samples::pdf_builder locked;
        locked.add_page({});
        locked.add_text(0, 72, 700, 14, "remise secrète");
        QVERIFY(samples::write_file(fixture_.path("d_confidentiel.pdf"), locked.write("secret")));
        QVERIFY(samples::write_file(fixture_.path("e_abime.pdf"), "%PDF-1.4\n%"));
        for (const char* name : {"a_remises.pdf", "b_tarifs.pdf", "c_reglement.pdf",
                                 "d_confidentiel.pdf", "e_abime.pdf"})
            documents_.push_back({fixture_.path(name), nom_lisible(name)});
    }
    void cleanup() { fixture_.reset(); }
    void cleanupTestCase() { fixture_.tear_down(); }

    void hits_come_grouped_by_document_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("rows");
        const QStringList skipped{
            "D confidentiel",
            "  Ce document est protégé par un mot de passe\u00a0: d_confidentiel.pdf"};
        const QString broken = "  Ce document n’est pas un PDF lisible";
        QTest::newRow("in two documents")
            << "remise"
            << QStringList{"A remises",
                           "  Page 2\u00a0: Conditions de remise",
                           "  Page 5\u00a0: Remise annuelle : 5 %",
                           "C reglement",
                           "  Page 1\u00a0: Règlement : la REMISE se déduit",
                           "  Page 1\u00a0: puis la remisé finale"} +
                   skipped + QStringList{"E abime", broken};
        QTest::newRow("accents and case ignored")
            << "RÉGLEMENT"
            << QStringList{"C reglement", "  Page 1\u00a0: Règlement : la REMISE se déduit"} +
                   skipped + QStringList{"E abime", broken};
        QTest::newRow("in one document") << "tarifs"
                                         << QStringList{"B tarifs", "  Page 3\u00a0: Tarifs HT"} +
                                                skipped + QStringList{"E abime", broken};
        QTest::newRow("nowhere") << "facture" << skipped + QStringList{"E abime", broken};
    }
    void hits_come_grouped_by_document() {
        QFETCH(QString, word);
        QFETCH(QStringList, rows);
        pdf_thread pdf;
        folder_search search(pdf);
        folder_results results(nullptr);
        connect(&search, &folder_search::hits_found, &results, &folder_results::add_hits);
        connect(&search, &folder_search::document_skipped, &results, &folder_results::add_skipped);
        QSignalSpy finished(&search, &folder_search::finished);
        search.set_documents(documents_);
        results.start(documents_, word);
        search.find(word);
        QVERIFY(finished.wait(20'000));
        QStringList seen = shown(results.tree());
        // The broken document's reason ends with its name: only its start is compared.
        for (QString& row : seen)
            if (row.startsWith(rows.last()))
                row = rows.last();
        QCOMPARE(seen, rows);
        QCOMPARE(finished.count(), 1);
    }

    // A second word while the first is still searched: only the second's hits show.
    void a_new_word_drops_the_search_before() {
        pdf_thread pdf;
        folder_search search(pdf);
        std::vector<folder_hit> hits;
        connect(&search, &folder_search::hits_found, this,
                [&](const std::vector<folder_hit>& found) {
                    hits.insert(hits.end(), found.begin(), found.end());
                });
        QSignalSpy finished(&search, &folder_search::finished);
        search.set_documents(documents_);
        search.find("remise");
        search.find("tarifs");
        QVERIFY(finished.wait(20'000));
        QTest::qWait(0); // answers for the first word still on their way are dropped
        QCOMPARE(hits.size(), std::size_t(1));
        QCOMPARE(hits[0].document, 1);
        QCOMPARE(hits[0].page, 2);
        QCOMPARE(finished.count(), 1);
    }

    // The text read in the background is kept and the documents are closed: a
    // later search extracts nothing again, opens each document with hits only for
    // the lines round them (in their own letters, not as compared), and closes it
    // when it ends.
    void the_text_read_in_the_background_serves_every_search() {
        pdf_thread pdf;
        folder_search search(pdf);
        search.set_documents(documents_);
        search.prepare();
        QTRY_COMPARE_WITH_TIMEOUT(search.documents_read(), 3, 20'000);
        QTRY_COMPARE(pdf.documents_open(), 0);
        std::vector<folder_hit> hits;
        connect(&search, &folder_search::hits_found, this,
                [&](const std::vector<folder_hit>& found) {
                    hits.insert(hits.end(), found.begin(), found.end());
                });
        const quint64 jobs = pdf.jobs_run();
        QSignalSpy finished(&search, &folder_search::finished);
        search.find("guide");
        QVERIFY(finished.wait(20'000));
        // One opening a document, one reading a page's line (11 pages); a step of
        // the text's reading may still come in, to find nothing left to do. The 11
        // pages' text read again would be 11 jobs more.
        const quint64 run = pdf.jobs_run() - jobs;
        QVERIFY2(run >= 3 + 11 && run < 3 + 11 + 11, qPrintable(QString::number(run)));
        QCOMPARE(hits.size(), std::size_t(11));
        for (const folder_hit& hit : hits)
            QCOMPARE(hit.line.text, QStringLiteral("Page %1 du guide").arg(hit.page + 1));
        QTRY_COMPARE(pdf.documents_open(), 0);
    }

    // Beyond the first thousand, hits are counted, not listed: the list says how
    // many more there are, and those listed are the first, in the list's order.
    void a_long_list_ends_with_the_count_of_the_others() {
        QDir(fixture_.folder()).mkdir("long");
        std::map<int, QStringList> lines;
        for (int page = 0; page < 40; ++page)
            for (int line = 0; line < 20; ++line)
                lines[page] << QStringLiteral("Remise %1").arg(line + 1);
        std::vector<folder_document> documents;
        for (const char* name : {"long/f.pdf", "long/g.pdf"}) {
            QVERIFY(samples::write_text_pdf(fixture_.path(name), pages_with(40, lines)));
            documents.push_back({fixture_.path(name), nom_lisible(name)});
        }
        pdf_thread pdf;
        folder_search search(pdf);
        folder_results results(nullptr);
        connect(&search, &folder_search::hits_found, &results, &folder_results::add_hits);
        connect(&search, &folder_search::counted, &results, &folder_results::set_count);
        QSignalSpy finished(&search, &folder_search::finished);
        search.set_documents(documents);
        results.start(documents, "remise");
        search.find("remise");
        QVERIFY(finished.wait(60'000));
        results.finish();
        QCOMPARE(results.status(), "1\u202f600\u00a0résultats dans 2\u00a0documents\u00a0; les "
                                   "1\u202f000 premiers sont affichés");
        const QTreeWidget* tree = results.tree();
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(0)->childCount(), 800);
        QCOMPARE(tree->topLevelItem(1)->childCount(), 200);
        QCOMPARE(tree->topLevelItem(1)->child(199)->text(0), "Page 10\u00a0: Remise 20");
        QCOMPARE(tree->topLevelItem(2)->text(0),
                 "… et 600\u00a0autres résultats, non affichés\u00a0: précisez le mot cherché");
    }

    // The shown document's text is the reader's: the search in every document
    // looks through it instead of reading the file again (replaced here since it
    // was shown), and keeps it once the reader lets go of it.
    void the_shown_documents_text_is_the_readers() {
        const QString path = fixture_.path("f_montre.pdf");
        QFile::remove(path);
        QVERIFY(QFile::copy(documents_[0].path, path));
        pdf_thread pdf;
        shared_document shown;
        pdf.open_file(path, {}, [&](opened_document opened) { shown = opened.document; });
        QTRY_VERIFY(shown);
        auto store = std::make_unique<text_store>(shown);
        store->extract_from(0);
        folder_search search(pdf);
        search.set_documents({{path, "F montre"}});
        search.show_text(path, store.get());
        QVERIFY(QFile::remove(path) && QFile::copy(documents_[1].path, path));
        const auto pages_found = [&] {
            std::vector<int> pages;
            QSignalSpy finished(&search, &folder_search::finished);
            const auto hits = connect(&search, &folder_search::hits_found, this,
                                      [&](const std::vector<folder_hit>& found) {
                                          for (const folder_hit& hit : found)
                                              pages.push_back(hit.page);
                                      });
            search.find("remise");
            const bool ended = finished.wait(20'000);
            disconnect(hits);
            return ended ? pages : std::vector<int>{-1};
        };
        QCOMPARE(pages_found(), (std::vector<int>{1, 4}));
        QTRY_VERIFY(store->complete());
        store.reset();
        QCOMPARE(pages_found(), (std::vector<int>{1, 4}));
    }

    // Through the windows: Ctrl+Shift+F, a word, Enter, over a document or the
    // message of one that could not be opened; Down or Tab goes into the results
    // on their first hit, Up back to the word; a click on a hit shows its document
    // at its page through the opening routine, with the word searched there.
    void a_chosen_hit_opens_its_document_there_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("key"); // from the word to the results
        QTest::newRow("over a document, Down") << "b_tarifs.pdf" << int(Qt::Key_Down);
        QTest::newRow("over a failure, Tab") << "absent.pdf" << int(Qt::Key_Tab);
    }
    void a_chosen_hit_opens_its_document_there() {
        QFETCH(QString, first);
        QFETCH(int, key);
        samples::write_file("W_intlog.wdo", samples::exchange_file({{"DOC:FCAIS", first}}));
        load_form<menu_pdf>().show_modeless();
        pdf_component* c = find_form<affic_pdf>()->APDF_Objet;
        QTRY_VERIFY(c->document() != nullptr || !c->message().isEmpty());
        QTest::keyClick(&load_form<menu_pdf>(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(c->search()->is_open());
        QVERIFY(c->search()->every_document());
        QTest::keyClicks(c->search()->field(), "remise");
        QTest::keyClick(c->search()->field(), Qt::Key_Return);
        folder_results* results = c->folder().results();
        QTRY_VERIFY(results->isVisible() && results->status().startsWith("4\u00a0résultats"));
        QTRY_COMPARE(c->findChild<QWidget*>("annonce")->accessibleName(), results->status());
        QTRY_VERIFY(c->search()->field()->hasFocus());
        QTest::keyClick(c->search()->field(), Qt::Key(key));
        QVERIFY(results->tree()->hasFocus());
        QCOMPARE(results->tree()->selectedItems(),
                 QList<QTreeWidgetItem*>{results->tree()->topLevelItem(0)->child(0)});
        QTest::keyClick(results->tree(), Qt::Key_Up);
        QVERIFY(c->search()->field()->hasFocus());
        // A remises, page 5.
        fixture_.now += 1;
        emit results->tree()->itemClicked(results->tree()->topLevelItem(0)->child(1), 0);
        QCOMPARE(shared().requested_path, fixture_.path("a_remises.pdf"));
        QTRY_COMPARE(c->src(), fixture_.path("a_remises.pdf"));
        QTRY_COMPARE(c->view()->current_page(), 4);
        QTRY_VERIFY(c->search()->current_hit() >= 0);
        QCOMPARE(c->search()->hits()[static_cast<std::size_t>(c->search()->current_hit())].page, 4);
        QVERIFY(results->isVisible()); // the other hits stay at hand
        // C reglement, the second hit of its first page: that very one is shown.
        fixture_.now += 1;
        QSignalSpy shown(c, &pdf_component::document_shown);
        results->tree()->setCurrentItem(results->tree()->topLevelItem(1)->child(1));
        QTest::keyClick(results->tree(), Qt::Key_Return);
        QTRY_COMPARE(c->src(), fixture_.path("c_reglement.pdf"));
        // Until it shows, the hits are still those of the document before.
        QTRY_COMPARE(shown.count(), 1);
        QTRY_COMPARE(c->search()->current_hit(), 1);
        QCOMPARE(c->search()->hits()[1].page, 0);
    }
};

KRV_TEST_MAIN(test_folder_search)
#include "test_folder_search.moc"
