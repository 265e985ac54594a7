// Keys typed while a document opens: the search bar opens at once and what is
// typed there searches the document once it shows; a page number and the
// reading keys typed meanwhile are applied then. A document is "opening" from
// prepare (the request) until set_src shows it (the design's tick).
#include "pdf_component.h"
#include "reader_probe.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace krv;
using samples::text_page;

namespace {

std::vector<text_page> five_pages() {
    std::vector<text_page> pages;
    for (int i = 0; i < 5; ++i)
        pages.push_back({Qt::white,
                         {QStringLiteral("Chapitre %1").arg(i + 1),
                          i == 2 || i == 4 ? "Le règlement des factures." : "Rien ici."}});
    return pages;
}

bool press(pdf_component& c, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           key_origin origin = key_origin::other_window) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    return c.handle_key(&event, origin);
}

} // namespace

class test_opening : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

    // A shown component, showing `before` when given, asked for `coming`
    // (prepared, not shown yet).
    std::unique_ptr<pdf_component> asked_for(const QString& coming, const QString& before = {}) {
        auto c = std::make_unique<pdf_component>(nullptr);
        c->resize(700, 600);
        c->show();
        QTest::qWaitForWindowActive(c.get()); // the fields can take the focus
        if (!before.isEmpty()) {
            c->set_src(path(before));
            probe::opened(*c);
        }
        c->prepare(path(coming));
        return c;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(samples::write_text_pdf(path("cinq.pdf"), five_pages()));
        QVERIFY(samples::write_text_pdf(path("plat.pdf"), {{Qt::white, {"Sans mot"}}}));
    }

    // Ctrl+F, a word and perhaps Enter, before the document shows: the bar stays
    // open with the word, which is searched once the document shows.
    void search_typed_while_opening_data() {
        QTest::addColumn<QString>("before"); // the document shown meanwhile, if any
        QTest::addColumn<bool>("enter");
        QTest::newRow("at start-up, Enter") << "" << true;
        QTest::newRow("at start-up, no Enter") << "" << false;
        QTest::newRow("over another document, Enter") << "plat.pdf" << true;
        QTest::newRow("over another document, no Enter") << "plat.pdf" << false;
    }
    void search_typed_while_opening() {
        QFETCH(QString, before);
        QFETCH(bool, enter);
        auto c = asked_for("cinq.pdf", before);
        QVERIFY(press(*c, Qt::Key_F, Qt::ControlModifier));
        QVERIFY(c->search()->is_open());
        QVERIFY(c->search()->field()->hasFocus());
        QTest::keyClicks(c->search()->field(), "reglement");
        if (enter) {
            QTest::keyClick(c->search()->field(), Qt::Key_Return);
            if (before.isEmpty())
                QCOMPARE(c->search()->status(),
                         QStringLiteral("Recherche dès l’ouverture du document…"));
        }
        c->set_src(path("cinq.pdf")); // the tick
        QVERIFY(probe::opened(*c));
        QVERIFY(c->search()->is_open());
        QCOMPARE(c->search()->field()->text(), QStringLiteral("reglement"));
        if (enter) {
            QTRY_COMPARE(c->search()->hit_count(), 2);
            QTRY_COMPARE(c->view()->current_page(), 2);
        } else {
            QCOMPARE(c->search()->hit_count(), 0);
            QVERIFY(c->search()->field()->hasFocus()); // the word can still be finished
        }
    }

    // A search opened before the request belongs to the document it searched:
    // the new one shows without it, as before.
    void search_opened_before_the_request_closes() {
        auto c = std::make_unique<pdf_component>(nullptr);
        c->resize(700, 600);
        c->show();
        c->set_src(path("plat.pdf"));
        QVERIFY(probe::opened(*c));
        c->search()->open();
        c->search()->find("mot");
        c->prepare(path("cinq.pdf"));
        c->set_src(path("cinq.pdf"));
        QVERIFY(probe::opened(*c));
        QVERIFY(!c->search()->is_open());
        QCOMPARE(c->search()->hit_count(), 0);
    }

    // Reading keys typed in either window while the document opens, and a page
    // number given in the page field: applied, in order, once it shows.
    void reading_keys_typed_while_opening_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("page");
        QTest::newRow("End") << QList<int>{Qt::Key_End} << 4;
        QTest::newRow("End, then Home") << QList<int>{Qt::Key_End, Qt::Key_Home} << 0;
        QTest::newRow("Ctrl+Page Down twice")
            << QList<int>{int(Qt::Key_PageDown | Qt::ControlModifier),
                          int(Qt::Key_PageDown | Qt::ControlModifier)}
            << 2;
    }
    void reading_keys_typed_while_opening() {
        QFETCH(QList<int>, keys);
        QFETCH(int, page);
        for (key_origin origin : {key_origin::other_window, key_origin::reader_window}) {
            auto c = asked_for("cinq.pdf");
            for (int key : keys)
                QVERIFY(press(*c, key & ~Qt::KeyboardModifierMask,
                              Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask), origin));
            c->set_src(path("cinq.pdf"));
            QVERIFY(probe::opened(*c));
            QTRY_COMPARE(c->view()->current_page(), page);
        }
    }

    void page_number_given_while_opening() {
        auto c = asked_for("cinq.pdf");
        QVERIFY(press(*c, Qt::Key_G, Qt::ControlModifier));
        QVERIFY(c->page_field()->hasFocus());
        QTest::keyClicks(c->page_field(), "4");
        QTest::keyClick(c->page_field(), Qt::Key_Return);
        c->set_src(path("cinq.pdf"));
        QVERIFY(probe::opened(*c));
        QTRY_COMPARE(c->view()->current_page(), 3);
        QCOMPARE(c->page_field()->text(), QStringLiteral("4"));
    }

    // With no document coming the keys go by, as they always did; and a document
    // that cannot be opened drops what was typed for it.
    void keys_without_a_document_coming() {
        pdf_component c(nullptr);
        c.resize(700, 600);
        c.show();
        QVERIFY(!press(c, Qt::Key_F, Qt::ControlModifier));
        QVERIFY(!press(c, Qt::Key_End));
        c.prepare(path("absent.pdf"));
        QVERIFY(press(c, Qt::Key_End));
        c.set_src(path("absent.pdf"));
        QTRY_VERIFY(!c.message().isEmpty());
        c.set_src(path("cinq.pdf"));
        QVERIFY(probe::opened(c));
        QTRY_VERIFY(c.view()->pictures_complete());
        QCOMPARE(c.view()->current_page(), 0); // the End typed for the other one is gone
    }
};

KRV_TEST_MAIN(test_opening)
#include "test_opening.moc"
