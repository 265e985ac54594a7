// The pdf thread's order: every job of a higher priority first, those of one
// priority in the order they came; a render asked for while the text of every
// page waits goes before it. And what it gives Qt PDF: page trees that hung it
// for ever come to it flat, or not at all. And how work is called off: a
// document's work ended, a text's extraction stopped, the program's end.
#include "background_work.h"
#include "document_loading.h"
#include "failure_texts.h"
#include "long_text_cut.h"
#include "pdf_thread.h"
#include "sample_pdf.h"
#include "test_documents.h"
#include "test_main.h"
#include "text.h"
#include "text_reading_process.h"
#include "text_store.h"

#include <QPdfDocument>
#include <QTemporaryDir>

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <map>
#include <mutex>
#include <semaphore>

using namespace krv;

namespace {

// One red page's content is object 9, the catalog object 1; `objects` the rest.
QByteArray tree_pdf(std::map<int, QByteArray> objects) {
    objects[1] = "<< /Type /Catalog /Pages 2 0 R >>";
    objects[9] = "<< /Length 25 >>\nstream\n1 0 0 rg 0 0 612 792 re f\nendstream";
    QByteArray out = "%PDF-1.4\n";
    std::map<int, qsizetype> offsets;
    for (const auto& [number, body] : objects) {
        offsets[number] = out.size();
        out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    const int size = objects.rbegin()->first + 1;
    out += "xref\n0 " + QByteArray::number(size) + "\n0000000000 65535 f \n";
    for (int n = 1; n < size; ++n)
        out += offsets.count(n)
                   ? QByteArray::number(offsets[n]).rightJustified(10, '0') + " 00000 n \n"
                   : QByteArray("0000000000 65535 f \n");
    return out + "trailer\n<< /Size " + QByteArray::number(size) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
}

QByteArray page(int parent) {
    return "<< /Type /Page /Parent " + QByteArray::number(parent) +
           " 0 R /MediaBox [0 0 612 792] /Contents 9 0 R >>";
}

QByteArray node(const QByteArray& kids, const QByteArray& count = {}) {
    return "<< /Type /Pages /Kids [" + kids + "]" + (count.isEmpty() ? "" : " /Count " + count) +
           " >>";
}

// `levels` nodes from object 10 down, each listing the next one `times` times.
std::map<int, QByteArray> chain(int levels, int times, bool counted) {
    std::map<int, QByteArray> objects{{2, node("10 0 R", counted ? "1" : "")}};
    for (int level = 0; level < levels; ++level) {
        const QByteArray next = QByteArray::number(11 + level) + " 0 R ";
        objects[10 + level] = node(next.repeated(times), counted ? "1" : "");
    }
    objects[10 + levels] = page(9 + levels);
    return objects;
}

// One page (object 3) whose annotations are `annotations`, `objects` besides.
QByteArray note_pdf(const QByteArray& annotations, std::map<int, QByteArray> objects = {}) {
    objects[2] = node("3 0 R", "1");
    objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 9 0 R /Annots [" +
                 annotations + "] >>";
    return tree_pdf(objects);
}

QByteArray note(const QByteArray& text) {
    return "<< /Type /Annot /Subtype /Text /Rect [0 0 612 792] /Contents " + text + " >>";
}

QByteArray in_object_streams(const QByteArray& bytes) {
    QPDF pdf;
    pdf.processMemoryFile("note", bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    const auto buffer = writer.getBufferSharedPointer();
    return {reinterpret_cast<const char*>(buffer->getBuffer()),
            static_cast<qsizetype>(buffer->getSize())};
}

// The longest text of an annotation in `bytes`, as qpdf reads them.
std::size_t longest_note(const QByteArray& bytes) {
    QPDF pdf;
    pdf.processMemoryFile("given", bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::size_t longest = 0;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages())
        for (auto& annotation : page.getAnnotations())
            if (auto text = annotation.getObjectHandle().getKey("/Contents"); text.isString())
                longest = std::max(longest, text.getStringValue().size());
    return longest;
}

// Holds the pdf thread in a job until let go, so that what is posted meanwhile
// waits in its queues.
struct gate {
    std::binary_semaphore entered{0}, released{0};
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
        std::mutex mutex;
        QList<int> order;
        for (int i = 0; i < posted.size(); ++i)
            thread_.post(*document_, pdf_priority(posted[i]), [&, i](QPdfDocument&) {
                std::lock_guard lock(mutex);
                order << i;
            });
        g.open();
        QTRY_COMPARE(([&] {
                         std::lock_guard lock(mutex);
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

    // A document shown instead, or closed: its jobs waiting are dropped unrun, those
    // that hold it too, so that it closes; what is posted after is refused.
    void ending_a_documents_work() {
        shared_document document;
        thread_.open_file(dir_.filePath("cinq.pdf"), {},
                          [&](opened_document opened) { document = opened.document; });
        QTRY_VERIFY(document);
        const int open_before = thread_.documents_open();
        std::atomic<int> ran{0};
        gate g;
        g.hold(thread_);
        for (int i = 0; i < 3; ++i)
            thread_.post(*document, pdf_priority(i), [&ran, document](QPdfDocument&) { ++ran; });
        document->end_work();
        thread_.post(*document, pdf_priority::interactive, [&ran](QPdfDocument&) { ++ran; });
        document.reset();
        g.open();
        QTRY_COMPARE(thread_.documents_open(), open_before - 1);
        std::atomic<bool> after{false}; // the thread goes on with other work
        thread_.post(pdf_priority::background, [&after] { after = true; });
        QTRY_VERIFY(after);
        QCOMPARE(ran.load(), 0);
    }

    // Stopped while its steps wait, then asked again: the text still all comes.
    void extraction_stopped_and_asked_again() {
        text_store store(document_);
        gate g;
        g.hold(thread_);
        store.extract_from(2, pdf_priority::search);
        store.stop();
        store.extract_from(0, pdf_priority::search);
        g.open();
        QTRY_VERIFY(store.complete());
    }

    // A long document's pages from the last backwards are read by the program in its
    // text-reading mode, as far as the pdf thread leaves them; when that process cannot run,
    // or dies, or is not to be had, the pdf thread reads them after all.
    void text_read_beside_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("beside");
        QTest::newRow("the program itself") << QStringLiteral(KRV_PROGRAM) << true;
        QTest::newRow("a program that fails") << QStringLiteral("/bin/false") << false;
        QTest::newRow("no program there") << dir_.filePath("absent") << false;
        QTest::newRow("no program at all") << QString() << false;
    }
    void text_read_beside() {
        QFETCH(QString, program);
        QFETCH(bool, beside);
#ifdef __SANITIZE_THREAD__
        // Qt starts a child by clone(CLONE_VM | CLONE_VFORK), which ThreadSanitizer does
        // not know: the child runs its interceptors on the main thread's state, and a
        // race is then reported between the text store's construction and the pdf
        // thread, with a stack that cannot be. The same test without a child reports
        // nothing; with a child whose exec fails, it does.
        if (!program.isEmpty())
            QSKIP("a child started by clone(CLONE_VFORK) misleads ThreadSanitizer");
#endif
        constexpr int pages = 240;
        shared_document document;
        thread_.open_bytes(
            samples::numbered_document(pages), {},
            [&](opened_document opened) { document = opened.document; }, "long.pdf");
        QTRY_VERIFY(document);
        text_reading_process::set_program(program);
        text_store store(document);
        gate g;
        g.hold(thread_);
        store.extract_from(0);
        if (beside) // the pdf thread held, every page but its first comes all the same
            QTRY_COMPARE_WITH_TIMEOUT(store.extracted_count(), pages - 1, 30'000);
        g.open();
        text_reading_process::set_program({});
        QTRY_VERIFY_WITH_TIMEOUT(store.complete(), 60'000);
        for (int page : {0, pages / 2 - 1, pages / 2, pages - 1})
            QVERIFY2(store.text(page)->folded.contains(
                         fold_for_search(QStringLiteral("Page %1").arg(page + 1))),
                     qPrintable(QString::number(page)));
    }

    // Qt PDF alone spun for ever on the loops, the shared nodes and the 1,100 levels,
    // refused the missing kid, and reads a kid written in place its own two ways.
    void page_trees_given_to_qt_pdf_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("pages");   // 0: refused
        QTest::addColumn<bool>("mended"); // Qt PDF given other bytes than the file's
        const QByteArray two = "3 0 R 4 0 R";
        QTest::newRow("a node listing itself first")
            << tree_pdf({{2, node("2 0 R " + two, "2")}, {3, page(2)}, {4, page(2)}}) << 2 << true;
        QTest::newRow("a node listing its parent") << tree_pdf({{2, node("5 0 R", "2")},
                                                                {5, node("2 0 R " + two, "2")},
                                                                {3, page(5)},
                                                                {4, page(5)}})
                                                   << 2 << true;
        QTest::newRow("a loop behind a count that matches its kids")
            << tree_pdf({{2, node("5 0 R 3 0 R", "2")}, {5, node("2 0 R", "1")}, {3, page(2)}}) << 1
            << true;
        QTest::newRow("a kid written in place")
            << tree_pdf({{2, node(page(2) + " 3 0 R", "2")}, {3, page(2)}}) << 2 << true;
        QTest::newRow("a kid that is missing")
            << tree_pdf({{2, node("7 0 R " + two, "3")}, {3, page(2)}, {4, page(2)}}) << 2 << true;
        QTest::newRow("a node shared 2^60 times, no count")
            << tree_pdf(chain(60, 2, false)) << 1 << true;
        QTest::newRow("1,100 levels") << tree_pdf(chain(1100, 1, true)) << 1 << true;
        QTest::newRow("30,000 levels") << tree_pdf(chain(30000, 1, true)) << 0 << false;
        QTest::newRow("a loop of parents, harmless")
            << tree_pdf({{2, node(two, "2")}, {3, page(3)}, {4, page(2)}}) << 2 << false;
        // Qt PDF took minutes and gigabytes to lay out a long note's popup.
        const QByteArray text = '(' + QByteArray(200'000, 'x') + ')';
        QTest::newRow("a note of 200 kB") << note_pdf("5 0 R", {{5, note(text)}}) << 1 << true;
        QTest::newRow("a note of 200 kB written in its page") << note_pdf(note(text)) << 1 << true;
        QTest::newRow("a note's text an object of its own")
            << note_pdf("5 0 R", {{5, note("6 0 R")}, {6, text}}) << 1 << true;
        QTest::newRow("a note of 200 kB in an object stream")
            << in_object_streams(note_pdf("5 0 R", {{5, note(text)}})) << 1 << true;
        QTest::newRow("a note of 60 kB, as it stands")
            << note_pdf("5 0 R", {{5, note('(' + QByteArray(60'000, 'x') + ')')}}) << 1 << false;
    }
    void page_trees_given_to_qt_pdf() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, pages);
        QFETCH(bool, mended);
        std::optional<opened_document> opened;
        thread_.open_bytes(
            bytes, {}, [&](opened_document result) { opened = result; }, "arbre.pdf");
        QTRY_VERIFY_WITH_TIMEOUT(opened, 60'000); // 30,000 levels: seconds under a sanitizer
        if (pages == 0) {
            QCOMPARE(opened->trouble.text, failure_text(failure_kind::limit_exceeded, "arbre.pdf"));
            return;
        }
        QVERIFY2(opened->document, qPrintable(opened->trouble.text));
        QCOMPARE(opened->document->page_count(), pages);
        QCOMPARE(opened->document->bytes() != bytes, mended);
        QVERIFY(longest_note(opened->document->bytes()) <= max_annotation_text);
    }

    // Last, as it ends the thread: the program's end with jobs waiting that hold
    // the document. They go on no lock, and the thread ends; letting go of them
    // under the queue's lock, which the document's end takes, hung it for ever.
    void the_end_with_jobs_holding_a_document() {
        gate g;
        g.hold(thread_);
        for (int i = 0; i < 3; ++i)
            thread_.post(*document_, pdf_priority::background, [d = document_](QPdfDocument&) {});
        document_.reset();
        stop_background_threads(QDeadlineTimer(0)); // asked to stop; the gate holds it
        g.open();
        QVERIFY(stop_background_threads(QDeadlineTimer(20'000)));
    }
};

KRV_TEST_MAIN(test_pdf_thread)
#include "test_pdf_thread.moc"
