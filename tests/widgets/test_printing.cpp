// Printing: the chosen pages as a true copy of the document's (to a file, and to
// a real print system the test starts for itself), failures said in French, a
// preview whose memory stays bounded, and a huge page printed rather than blank.
#include "exchange.h"
#include "file_replace.h"
#include "pixels.h"
#include "print_dialog.h"
#include "print_preview.h"
#include "printing.h"
#include "private_cups.h"
#include "process_memory.h"
#include "reader_probe.h"
#include "test_documents.h"
#include "test_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

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

// Runs `step` on the modal dialog of type T, from the event loop, until it returns true.
template <typename T, typename F> void on_each_modal(QTimer& timer, F step) {
    QObject::connect(&timer, &QTimer::timeout, &timer, [&timer, step] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            dialog && step(*dialog))
            timer.stop();
    });
    timer.start(20);
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
        // No print system: whatever the machine has, the dialogs find no printer.
        qputenv("CUPS_SERVER", dir_.filePath("no-cupsd.sock").toUtf8());
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed to read printed text");
    }

    void pages_printed_to_a_file_are_a_true_copy() {
        const print_outcome done =
            print_to_file(five_, {}, {1, 2}, path("pages.pdf"), existing_file::keep);
        QVERIFY2(done.ok(), qPrintable(done ? QString() : done.error().text));
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
        QVERIFY(!print_to_file(locked, {}, {0}, path("sans.pdf"), existing_file::keep).ok());
        QVERIFY(print_to_file(locked, "bonjour", {0}, path("avec.pdf"), existing_file::keep).ok());
        QCOMPARE(page_count_of(path("avec.pdf")), 1);
    }

    void an_existing_file_is_not_replaced_without_asking() {
        QVERIFY(samples::write_file(path("existant.pdf"), "garder"));
        const print_outcome kept =
            print_to_file(five_, {}, {0}, path("existant.pdf"), existing_file::keep);
        QVERIFY(!kept.ok());
        QCOMPARE(kept.error().text,
                 QStringLiteral("Le fichier «\u00a0%1\u00a0» existe déjà\u00a0: il "
                                "n’a pas été remplacé.")
                     .arg(path("existant.pdf")));
        QFile file(path("existant.pdf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("garder"));
        file.close();
        QVERIFY(print_to_file(five_, {}, {0}, path("existant.pdf"), existing_file::replace).ok());
        QCOMPARE(page_count_of(path("existant.pdf")), 1);
    }

    // A link under the name is replaced by the file, never written through:
    // where it points stays as it was, created by nobody, and the name is asked for.
    void printing_over_a_link_data() {
        QTest::addColumn<bool>("dangling");
        QTest::addColumn<bool>("replace");
        QTest::newRow("dangling, kept") << true << false;
        QTest::newRow("dangling, replaced") << true << true;
        QTest::newRow("live, replaced") << false << true;
    }
    void printing_over_a_link() {
        QFETCH(bool, dangling);
        QFETCH(bool, replace);
        QTemporaryDir here;
        const QString target = here.filePath("cible.pdf");
        const QString link = here.filePath("lien.pdf");
        QVERIFY(dangling || samples::write_file(target, "garder"));
        QVERIFY(QFile::link(target, link));
        const auto policy = replace ? existing_file::replace : existing_file::keep;
        QCOMPARE(print_to_file(five_, {}, {0, 1}, link, policy).ok(), replace);
        QCOMPARE(page_count_of(link), replace ? 2 : -1);
        QCOMPARE(kind_of_name(link), replace ? name_kind::regular : name_kind::link);
        QCOMPARE(kind_of_name(target), dangling ? name_kind::missing : name_kind::regular);
        QCOMPARE(QFileInfo(target).size(), dangling ? 0 : 6); // "garder", untouched
    }

    // Qt's own check of the name made an empty file where a dangling link points,
    // removed the link, and asked nothing; without a print system the dialog
    // offered a file alone without a word; a file got one copy of two; its "..."
    // button had no name for a screen reader.
    void the_dialog_asks_before_replacing_a_link() {
        auto c = probe::open_bytes(path("dialogue.pdf"), five_);
        QVERIFY(c);
        const QString link = path("lien.pdf");
        QVERIFY(QFile::link(path("cible.pdf"), link));
        QStringList notices, questions;
        QTimer dialogs, boxes;
        on_each_modal<QPrintDialog>(dialogs, [&](QPrintDialog& dialog) {
            for (const QLabel* label : dialog.findChildren<QLabel*>())
                notices << label->text();
            auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
            printers->setCurrentIndex(printers->count() - 1); // to a file
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
            notices << dialog.findChild<QAbstractButton*>(QStringLiteral("fileBrowser"))
                           ->accessibleName();
            name->setText(link);
            QTest::keyClick(&dialog, Qt::Key_Return); // asks, and is told no
            name->setText(path("deux_copies.pdf"));
            dialog.findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(2);
            QTest::keyClick(&dialog, Qt::Key_Return);
            return true;
        });
        on_each_modal<QMessageBox>(boxes, [&](QMessageBox& box) {
            questions << box.text();
            box.done(QMessageBox::No);
            return true;
        });
        QCOMPARE(print_with_dialog({c->document(), c->src()}, 0, nullptr).ok(), true);
        QVERIFY(notices.contains(no_printer_text()));
        QVERIFY(notices.contains(QStringLiteral("Choisir le fichier de sortie")));
        QCOMPARE(questions.size(), 1);
        QVERIFY(questions.front().contains(QStringLiteral("«\u00a0%1\u00a0»").arg(link)));
        QCOMPARE(kind_of_name(link), name_kind::link);
        QCOMPARE(kind_of_name(path("cible.pdf")), name_kind::missing);
        const QStringList printed = page_labels(text_of(path("deux_copies.pdf")));
        QCOMPARE(printed.size(), 10);
        QCOMPARE(printed.mid(4, 2), (QStringList{"Page 5", "Page 1"})); // collated
    }

    // "Chapitre courant" under "Page courante": on page 4 of five whose outline
    // starts chapters on pages 1, 3 and 5, pages 3 and 4 print.
    void the_current_chapter_prints_from_the_dialog() {
        auto c = probe::open_bytes(path("chapitres.pdf"), five_);
        QVERIFY(c);
        QString caption;
        QTimer dialogs;
        on_each_modal<QPrintDialog>(dialogs, [&](QPrintDialog& dialog) {
            auto* chapter = dialog.findChild<QRadioButton*>(QStringLiteral("printCurrentChapter"));
            caption = chapter ? chapter->text() : QString();
            auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
            printers->setCurrentIndex(printers->count() - 1); // to a file
            dialog.findChild<QLineEdit*>(QStringLiteral("filename"))->setText(path("chap.pdf"));
            if (chapter)
                chapter->click();
            QTest::keyClick(&dialog, Qt::Key_Return);
            return true;
        });
        const std::vector<outline_mark> outline{{0, 0}, {0, 2}, {0, 4}};
        QVERIFY(print_with_dialog({c->document(), c->src(), outline}, 3, nullptr).ok());
        QCOMPARE(caption, QStringLiteral("Chapitre courant (p.\u00a03 à 4)"));
        QCOMPARE(page_labels(text_of(path("chap.pdf"))), (QStringList{"Page 3", "Page 4"}));
    }

    // The host starts the help again on another document while the preview is
    // open: what prints from the preview is what it shows. Its pages have the
    // keys from the start, and Enter prints.
    void the_preview_prints_what_it_shows() {
        auto c = probe::open_bytes(path("cinq.pdf"), five_);
        QVERIFY(c && samples::write_file(path("deux.pdf"), samples::numbered_document(2)));
        int pages_offered = 0;
        int last_page = -1;
        QTimer previews, dialogs;
        on_each_modal<print_preview_dialog>(previews, [&](print_preview_dialog& preview) {
            if (c->src() != path("deux.pdf"))
                c->set_src(path("deux.pdf"));
            if (!c->document() || c->document()->page_count() != 2)
                return false; // the other document is not shown yet
            QTest::keyClick(preview.focusWidget(), Qt::Key_End);
            last_page = preview.view()->current_page();
            QTest::keyClick(preview.focusWidget(), Qt::Key_Return); // "Imprimer…"
            return true;
        });
        on_each_modal<QPrintDialog>(dialogs, [&](QPrintDialog& dialog) {
            pages_offered = dialog.maxPage();
            dialog.reject();
            return true;
        });
        c->preview();
        QCOMPARE(last_page, 4);
        QCOMPARE(pages_offered, 5);
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
        QVERIFY(!done.ok());
        QCOMPARE(done.error().text, failure);
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
        QVERIFY2(done.ok(), qPrintable(done ? QString() : done.error().text));
        const QString file = QString::fromStdString(output);
        QVERIFY2(QTest::qWaitFor([&] { return page_count_of(file) == 4; }, 30'000),
                 server->error_log().c_str());
        QCOMPARE(page_labels(text_of(file)), (QStringList{"Page 2", "Page 3", "Page 2", "Page 3"}));
        // A queue that does not exist, and a print system that does not answer.
        settings.queue = QStringLiteral("absente");
        QCOMPARE(print_to_queue(five_, {}, {0}, settings).error().text,
                 QStringLiteral("L’impression a échoué\u00a0: l’imprimante «\u00a0absente\u00a0» "
                                "est introuvable."));
        server.reset();
        settings.queue = QStringLiteral("pdf");
        QCOMPARE(print_to_queue(five_, {}, {0}, settings).error().text,
                 QStringLiteral("L’impression a échoué\u00a0: le service d’impression ne répond "
                                "pas."));
        qputenv("CUPS_SERVER", dir_.filePath("no-cupsd.sock").toUtf8());
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
        QVERIFY2(done.ok(), qPrintable(done ? QString() : done.error().text));
        QPdfDocument printed;
        QCOMPARE(printed.load(path("immense_imprime.pdf")), QPdfDocument::Error::None);
        const QImage page = printed.render(0, QSize(100, 140));
        QVERIFY(pixels::near(page.pixelColor(50, 70), QColor(199, 255, 199), 12));
    }
};

KRV_TEST_MAIN(test_printing)
#include "test_printing.moc"
