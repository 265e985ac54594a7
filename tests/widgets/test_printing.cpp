// Printing: the chosen pages as a true copy of the document's (to a file, and to
// a real print system the test starts for itself), failures said in French, a
// preview whose memory stays bounded, and a huge page printed rather than blank.
#include "exchange.h"
#include "pixels.h"
#include "print_preview.h"
#include "printing.h"
#include "private_cups.h"
#include "process_memory.h"
#include "reader_probe.h"
#include "test_documents.h"
#include "test_main.h"

#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

using namespace krv;

namespace {

// The text poppler finds in a PDF file: text, not pictures of it.
QString text_of(const QString& path) {
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!tool.waitForFinished(20'000) || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).simplified();
}

QStringList page_labels(const QString& text) {
    QStringList labels;
    for (qsizetype at = text.indexOf("Page "); at >= 0; at = text.indexOf("Page ", at + 5))
        labels << text.mid(at, 6);
    return labels;
}

int page_count_of(const QString& path) {
    QPdfDocument document;
    return document.load(path) == QPdfDocument::Error::None ? document.pageCount() : -1;
}

} // namespace

class test_printing : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }
    QByteArray five_ = samples::numbered_document(5);

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed to read printed text");
    }

    void pages_printed_to_a_file_are_a_true_copy() {
        const print_outcome done =
            print_to_file(five_, {}, {1, 2}, path("pages.pdf"), existing_file::keep);
        QVERIFY2(done.ok, qPrintable(done.failure));
        QCOMPARE(page_count_of(path("pages.pdf")), 2);
        QCOMPARE(page_labels(text_of(path("pages.pdf"))), (QStringList{"Page 2", "Page 3"}));
        // About the size of the pages it holds: two fifths of the source, give or take.
        const qint64 size = QFileInfo(path("pages.pdf")).size();
        QVERIFY2(size < five_.size() * 2 / 5 * 3 && size > five_.size() / 10,
                 qPrintable(QStringLiteral("%1 of %2 bytes").arg(size).arg(five_.size())));
    }

    void a_protected_document_prints_with_its_password() {
        samples::pdf_builder pdf;
        pdf.add_page({});
        const QByteArray locked = pdf.write("bonjour", "maitre");
        QVERIFY(!print_to_file(locked, {}, {0}, path("sans.pdf"), existing_file::keep).ok);
        QVERIFY(print_to_file(locked, "bonjour", {0}, path("avec.pdf"), existing_file::keep).ok);
        QCOMPARE(page_count_of(path("avec.pdf")), 1);
    }

    void an_existing_file_is_not_replaced_without_asking() {
        QVERIFY(samples::write_file(path("existant.pdf"), "garder"));
        const print_outcome kept =
            print_to_file(five_, {}, {0}, path("existant.pdf"), existing_file::keep);
        QVERIFY(!kept.ok);
        QCOMPARE(kept.failure, QStringLiteral("Le fichier «\u00a0%1\u00a0» existe déjà\u00a0: il "
                                              "n’a pas été remplacé.")
                                   .arg(path("existant.pdf")));
        QFile file(path("existant.pdf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("garder"));
        file.close();
        QVERIFY(print_to_file(five_, {}, {0}, path("existant.pdf"), existing_file::replace).ok);
        QCOMPARE(page_count_of(path("existant.pdf")), 1);
    }

    void a_failed_print_says_so_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("failure");
        QTest::newRow("folder missing")
            << path("nulle/part.pdf")
            << QStringLiteral("Impossible d’écrire le fichier «\u00a0%1\u00a0».")
                   .arg(path("nulle/part.pdf"));
        QTest::newRow("not a PDF") << path("x.pdf")
                                   << QStringLiteral("L’impression a échoué\u00a0: les pages "
                                                     "n’ont pas pu être copiées du document.");
    }
    void a_failed_print_says_so() {
        QFETCH(QString, where);
        QFETCH(QString, failure);
        const QByteArray bytes = QTest::currentDataTag() == QStringLiteral("not a PDF")
                                     ? QByteArray("du texte, pas un PDF")
                                     : five_;
        const print_outcome done = print_to_file(bytes, {}, {0}, where, existing_file::keep);
        QVERIFY(!done.ok);
        QCOMPARE(done.failure, failure);
    }

    void the_proposed_name_is_in_the_documents_folder() {
        const QString proposed = proposed_file_name(path("Guide de saisie.PDF"));
        QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("Guide de saisie.pdf"));
        QVERIFY(QFileInfo(proposed).absolutePath() != QFileInfo(path("x")).absolutePath());
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(QFileInfo(proposed).absolutePath(),
                 QFileInfo(documents).isDir() ? documents : QDir::homePath());
    }

    void chosen_pages_follow_the_dialog() {
        QPrinter printer;
        QCOMPARE(chosen_pages(printer, 3, 1), (std::vector<int>{0, 1, 2}));
        printer.setPrintRange(QPrinter::CurrentPage);
        QCOMPARE(chosen_pages(printer, 3, 1), (std::vector<int>{1}));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 9);
        QCOMPARE(chosen_pages(printer, 3, 0), (std::vector<int>{1, 2}));
        printer.setPageOrder(QPrinter::LastPageFirst);
        QCOMPARE(chosen_pages(printer, 3, 0), (std::vector<int>{2, 1}));
    }

    // A print system of the test's own: cupsd on a private socket, a queue whose
    // device writes the job to a file. Pages 2-3, two copies, arrive as a PDF.
    void a_job_reaches_the_print_system_as_a_pdf() {
        if (geteuid() != 0 || !QFileInfo::exists(QStringLiteral("/usr/sbin/cupsd")))
            QSKIP("a private cupsd needs root and /usr/sbin/cupsd");
        auto server = samples::private_cups_server::start(std::chrono::seconds(20));
        QVERIFY(server);
        const std::string output = server->folder() + "/out/pdf.out";
        QVERIFY(server->add_file_queue("pdf", output, server->write_pdf_sink_ppd()));
        qputenv("CUPS_SERVER", QByteArray::fromStdString(server->socket_path()));
        job_settings settings{QStringLiteral("pdf"), 2, true, QStringLiteral("one-sided"),
                              QStringLiteral("cinq.pdf")};
        const print_outcome done = print_to_queue(five_, {}, {1, 2}, settings);
        QVERIFY2(done.ok, qPrintable(done.failure));
        const QString file = QString::fromStdString(output);
        QVERIFY2(QTest::qWaitFor([&] { return page_count_of(file) == 4; }, 30'000),
                 server->error_log().c_str());
        QCOMPARE(page_labels(text_of(file)), (QStringList{"Page 2", "Page 3", "Page 2", "Page 3"}));
        // A queue that does not exist, and a print system that does not answer.
        settings.queue = QStringLiteral("absente");
        QCOMPARE(print_to_queue(five_, {}, {0}, settings).failure,
                 QStringLiteral("L’impression a échoué\u00a0: l’imprimante «\u00a0absente\u00a0» "
                                "est introuvable."));
        server.reset();
        settings.queue = QStringLiteral("pdf");
        QCOMPARE(print_to_queue(five_, {}, {0}, settings).failure,
                 QStringLiteral("L’impression a échoué\u00a0: le service d’impression ne répond "
                                "pas."));
        qunsetenv("CUPS_SERVER");
    }

    // Qt's own preview kept every page as a full-resolution picture (1.7 GB for 50).
    void a_preview_of_200_pages_stays_small() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer keeps freed memory aside");
#endif
        auto c = probe::open_bytes(path("deux_cents.pdf"), samples::numbered_document(200));
        QVERIFY(c);
        const double before = samples::resident_mib();
        print_preview_dialog preview(c->document(), nullptr);
        preview.resize(900, 700);
        preview.show();
        for (int page = 0; page < 200; ++page) {
            preview.view()->go_to_page(page);
            probe::settled(*preview.view());
            QVERIFY(preview.view()->cache_pixels() <= preview.view()->cache_budget());
        }
        const double growth = samples::resident_mib() - before;
        QVERIFY2(growth < 120, qPrintable(QStringLiteral("grew by %1 MiB").arg(growth)));
    }

    void a_huge_page_prints_and_previews() {
        auto c = probe::open_bytes(path("immense.pdf"), samples::huge_page_document());
        QVERIFY(c);
        print_preview_dialog preview(c->document(), nullptr);
        preview.resize(600, 600);
        preview.show();
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(preview.view()->viewport()),
                                 QColor(199, 255, 199), 12));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path("immense_imprime.pdf"));
        const print_outcome done =
            print_as_pictures(pdf_thread_renderer(c->document()), printer, {0});
        QVERIFY2(done.ok, qPrintable(done.failure));
        QPdfDocument printed;
        QCOMPARE(printed.load(path("immense_imprime.pdf")), QPdfDocument::Error::None);
        const QImage page = printed.render(0, QSize(100, 140));
        QVERIFY(pixels::near(page.pixelColor(50, 70), QColor(199, 255, 199), 12));
    }
};

KRV_TEST_MAIN(test_printing)
#include "test_printing.moc"
