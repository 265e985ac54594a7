// The pdf thread's order: every job of a higher priority first, those of one
// priority in the order they came; a render asked for while the text of every
// page waits goes before it.
#include "pdf_thread.h"
#include "sample_pdf.h"
#include "test_main.h"
#include "text_store.h"

#include <QMutex>
#include <QPdfDocument>
#include <QSemaphore>
#include <QTemporaryDir>

using namespace krv;

namespace {

// Holds the pdf thread in a job until let go, so that what is posted meanwhile
// waits in its queues.
struct gate {
    QSemaphore entered, released;
    void hold(pdf_thread& thread) {
        thread.post(pdf_priority::interactive, [this] {
            entered.release();
            released.acquire();
        });
        entered.acquire();
    }
    void open() { released.release(); }
};

} // namespace

class test_pdf_thread : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    shared_document document_;
    pdf_thread thread_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString path = dir_.filePath("cinq.pdf");
        std::vector<samples::text_page> pages(5, {Qt::white, {"Une ligne de texte."}});
        QVERIFY(samples::write_text_pdf(path, pages));
        thread_.open_file(path, {},
                          [this](opened_document opened) { document_ = opened.document; });
        QTRY_VERIFY(document_);
    }

    void higher_priorities_first_data() {
        QTest::addColumn<QList<int>>("posted"); // priorities, in the order posted
        QTest::addColumn<QList<int>>("ran");    // the indexes of the jobs, in the order run
        const int interactive = int(pdf_priority::interactive);
        const int prefetch = int(pdf_priority::prefetch);
        const int search = int(pdf_priority::search);
        const int background = int(pdf_priority::background);
        QTest::newRow("one priority: as they came")
            << QList<int>{background, background, background} << QList<int>{0, 1, 2};
        QTest::newRow("the last posted, the most urgent")
            << QList<int>{background, search, prefetch, interactive} << QList<int>{3, 2, 1, 0};
        QTest::newRow("mixed") << QList<int>{background, interactive, background, search,
                                             interactive}
                               << QList<int>{1, 4, 3, 0, 2};
    }
    void higher_priorities_first() {
        QFETCH(QList<int>, posted);
        QFETCH(QList<int>, ran);
        gate g;
        g.hold(thread_);
        QMutex mutex;
        QList<int> order;
        for (int i = 0; i < posted.size(); ++i)
            thread_.post(*document_, pdf_priority(posted[i]), [&, i](QPdfDocument&) {
                QMutexLocker lock(&mutex);
                order << i;
            });
        g.open();
        QTRY_COMPARE(([&] {
                         QMutexLocker lock(&mutex);
                         return order.size();
                     }()),
                     posted.size());
        QCOMPARE(order, ran);
    }

    // The text of every page is asked for, then a page's picture: the picture
    // comes after at most the one step of text already running, not after them all.
    void a_render_goes_before_the_text() {
        text_store store(document_);
        gate g;
        g.hold(thread_);
        const quint64 before = thread_.jobs_run();
        store.extract_from(0);
        std::atomic<quint64> ran_at{0};
        thread_.post(*document_, pdf_priority::interactive, [&](QPdfDocument& pdf) {
            pdf.render(0, QSize(60, 85));
            ran_at = thread_.jobs_run();
        });
        g.open();
        QTRY_VERIFY(store.complete());
        QCOMPARE(ran_at.load(), before + 1); // the first job once the gate opened
    }
};

KRV_TEST_MAIN(test_pdf_thread)
#include "test_pdf_thread.moc"
