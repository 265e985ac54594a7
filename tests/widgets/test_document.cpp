// A document's life in the reader: read from memory, a clear French message for
// every file it cannot show, and the document prepared before it is asked for.
#include "document_session.h"
#include "file_names.h"
#include "pdf_component.h"
#include "pixels.h"
#include "printing.h"
#include "reader_probe.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A document of `pages` white pages.
bool write_pages(const QString& path, int pages) {
    return krv::samples::write_text_pdf(
        path, std::vector<krv::samples::text_page>(static_cast<std::size_t>(pages),
                                                   krv::samples::text_page{}));
}

// Makes `path` what the row asks for; true on success.
bool make_hostile(const QString& kind, const QString& path) {
    const QByteArray native = krv::encode_file_name(path);
    if (kind == "fifo")
        return ::mkfifo(native.constData(), 0666) == 0;
    if (kind.startsWith("link:"))
        return ::symlink(kind.mid(5).toUtf8().constData(), native.constData()) == 0;
    if (kind.startsWith("sparse:")) { // a size, with nothing written
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool sized = fd >= 0 && ::ftruncate(fd, kind.mid(7).toLongLong()) == 0;
        if (fd >= 0)
            ::close(fd);
        return sized;
    }
    return false;
}

QString special(const QString& name, const QString& kind) {
    return QStringLiteral("«\u00a0%1\u00a0» n’est pas un document mais un fichier spécial "
                          "(%2)\u00a0; l’aide ne l’ouvre pas.")
        .arg(name, kind);
}

QString too_large(const QString& name, const QString& size) {
    return QStringLiteral("Document trop volumineux\u00a0: %1 (%2\u00a0Mo\u00a0; l’aide en "
                          "affiche jusqu’à 256\u00a0Mo)")
        .arg(name, size);
}

} // namespace

using namespace krv;

class test_document : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

    QByteArray real_pdf() {
        const QString p = path("modele.pdf");
        samples::write_pdf(p, {{Qt::red, "Un", {"premier"}}, {Qt::blue, "Deux", {"second"}}});
        QFile f(p);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void unreadable_files_give_a_message_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "Tarifs.pdf" << QByteArray()
                                 << "Document introuvable\u00a0: Tarifs.pdf";
        QTest::newRow("empty") << "vide.pdf" << QByteArray("") << "Document vide\u00a0: vide.pdf";
        QTest::newRow("not a PDF")
            << "texte.pdf" << QByteArray("Bonjour, ceci est du texte.\n")
            << "Ce document n’est pas un PDF lisible (fichier endommagé ou d’un "
               "autre type)\u00a0: texte.pdf";
        QTest::newRow("header only")
            << "tronque.pdf" << QByteArray("%PDF-1.4\n%")
            << "Ce document n’est pas un PDF lisible (fichier endommagé ou d’un "
               "autre type)\u00a0: tronque.pdf";
        QTest::newRow("a folder") << "dossier.pdf" << QByteArray("<dir>")
                                  << "«\u00a0dossier.pdf\u00a0» est un dossier, pas un document";
    }
    void unreadable_files_give_a_message() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        if (content == "<dir>")
            QVERIFY(QDir().mkpath(path(name)));
        else if (!content.isNull())
            QVERIFY(samples::write_file(path(name), content.isEmpty() ? QByteArray("") : content));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.set_src(path(name));
        QVERIFY(probe::opened(component));
        QCOMPARE(component.message(), message);
        QVERIFY(component.document() == nullptr);
    }

    // Nothing in the folder blocks, runs memory away or ends the program: each
    // gives its message at once, through the request (prepare) and the tick.
    void hostile_files_give_a_message_at_once_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        const qint64 mib = 1024 * 1024;
        QTest::newRow("FIFO") << "tube.pdf"
                              << "fifo" << special("tube.pdf", "tube nommé");
        QTest::newRow("link to /dev/zero")
            << "zero.pdf"
            << "link:/dev/zero" << special("zero.pdf", "périphérique");
        QTest::newRow("the host's ../../../../dev/zero") << "../../../../../../../../dev/zero"
                                                         << "" << special("zero", "périphérique");
        QTest::newRow("link to a FIFO elsewhere")
            << "lien_tube.pdf"
            << "link:ailleurs/tube" << special("lien_tube.pdf", "tube nommé");
        QTest::newRow("sparse, one byte over the limit")
            << "limite.pdf" << QStringLiteral("sparse:%1").arg(256 * mib + 1)
            << too_large("limite.pdf", "257");
        QTest::newRow("sparse 2 GiB") << "gros.pdf" << QStringLiteral("sparse:%1").arg(2048 * mib)
                                      << too_large("gros.pdf", "2\u202f048");
        QTest::newRow("sparse 64 GiB")
            << "enorme.pdf" << QStringLiteral("sparse:%1").arg(65536 * mib)
            << too_large("enorme.pdf", "65\u202f536");
    }
    void hostile_files_give_a_message_at_once() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QVERIFY(QDir(dir_.path()).mkpath("ailleurs"));
        if (!QFile::exists(path("ailleurs/tube")))
            QCOMPARE(::mkfifo(QFile::encodeName(path("ailleurs/tube")).constData(), 0666), 0);
        if (!kind.isEmpty())
            QVERIFY(make_hostile(kind, path(name)));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.prepare(path(name));
        component.set_src(path(name));
        QVERIFY(probe::opened(component));
        QCOMPARE(component.message(), message);
        QVERIFY(component.document() == nullptr);
        if (!kind.isEmpty()) // only what this row made: the host's path leads out of the folder
            QCOMPARE(::unlink(QFile::encodeName(path(name)).constData()), 0);
    }

    void a_file_growing_while_read_stops_at_the_limit() {
        // A regular file that holds more than its size says, as one written to
        // while it is read: the kernel's map of this process, past a 4 KiB limit.
        const outcome<QByteArray> read = read_document(QStringLiteral("/proc/self/maps"), 4096);
        QVERIFY(!read);
        QCOMPARE(read.error().text, QStringLiteral("Document trop volumineux\u00a0: maps (plus de "
                                                   "1\u00a0Mo\u00a0; l’aide en affiche jusqu’à "
                                                   "1\u00a0Mo)"));
        const outcome<QByteArray> whole = read_document(QStringLiteral("/proc/self/maps"));
        QVERIFY(whole && whole->size() > 4096);
    }

    void a_latin1_name_opens_by_its_bytes() {
        const QString name = decode_file_name("caf\xe9.pdf");
        const QByteArray real = QFile::encodeName(dir_.path()) + "/caf\xe9.pdf";
        QVERIFY(samples::write_colour_pdf(path("latin.pdf"), Qt::green, "Café"));
        QCOMPARE(::rename(QFile::encodeName(path("latin.pdf")).constData(), real.constData()), 0);
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(decode_file_name(QFile::encodeName(dir_.path())) + u'/' + name);
        QVERIFY(probe::opened(component));
        QCOMPARE(component.message(), QString());
        QVERIFY(component.document());
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::green));
        // Its messages show the name as a person reads it.
        QCOMPARE(::unlink(real.constData()), 0);
        component.set_src(decode_file_name(QFile::encodeName(dir_.path())) + u'/' + name);
        QVERIFY(probe::opened(component));
        QCOMPARE(component.message(), QStringLiteral("Document introuvable\u00a0: café.pdf"));
    }

    void reload_never_blocks_on_what_replaced_the_file_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "link:/dev/zero";
        QTest::newRow("sparse 64 GiB") << QStringLiteral("sparse:%1").arg(qint64(64) << 30);
    }
    void reload_never_blocks_on_what_replaced_the_file() {
        QFETCH(QString, kind);
        QVERIFY(samples::write_colour_pdf(path("change.pdf"), Qt::blue, "Bleu"));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(path("change.pdf"));
        QVERIFY(probe::opened(component));
        QVERIFY(component.document());
        // Replaced under the same name, as a hostile user would.
        QVERIFY(make_hostile(kind, path("nouveau")));
        QCOMPARE(::rename(QFile::encodeName(path("nouveau")).constData(),
                          QFile::encodeName(path("change.pdf")).constData()),
                 0);
        const quint64 jobs = component.pdf().jobs_run();
        component.reload();
        QTRY_VERIFY(component.pdf().jobs_run() > jobs); // read on the pdf thread
        // What shows stays until the file opens cleanly again.
        QVERIFY(component.document());
        QCOMPARE(component.message(), QString());
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::blue));
        QFile::remove(path("change.pdf"));
    }

    // What other readers still show is shown, after qpdf's repair in memory; a
    // page tree that hung Qt PDF for ever is shown flat.
    void damaged_files_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("pages"); // 0: refused as damaged
        const QByteArray whole = real_pdf();
        const auto edited = [&](const char* from, const char* to) {
            QByteArray bytes = whole;
            return bytes.replace(from, to); // the same length: the offsets stay right
        };
        const char* const kids = "/Kids \n[\n6 0 R\n13 0 R\n]"; // as QPdfWriter writes it
        QTest::newRow("cut in half, its page tree lost") << whole.left(whole.size() / 2) << 0;
        QTest::newRow("end of file mark lost") << whole.left(whole.size() - 7) << 2;
        QTest::newRow("trailer lost") << whole.left(whole.size() - 60) << 2;
        QTest::newRow("trailer without its root") << edited("/Root", "/Roqt") << 2;
        QTest::newRow("a page missing from the tree")
            << edited(kids, "/Kids \n[\n6 0 R\n      \n]") << 1;
        QTest::newRow("page tree listing itself")
            << edited(kids, "/Kids \n[\n3 0 R\n6 0 R \n]") << 1;
    }
    void damaged_files() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, pages);
        QVERIFY(samples::write_file(path("abime.pdf"), bytes));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(path("abime.pdf"));
        QVERIFY(probe::opened(component));
        if (pages == 0) {
            QVERIFY(component.document() == nullptr);
            QCOMPARE(component.message(),
                     QStringLiteral("Ce document n’est pas un PDF lisible (fichier "
                                    "endommagé ou d’un autre type)\u00a0: abime.pdf"));
            return;
        }
        QVERIFY(component.message().isEmpty());
        QCOMPARE(component.document()->page_count(), pages);
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::red));
    }

    void a_message_gives_way_to_the_next_document() {
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(path("absent.pdf"));
        QVERIFY(probe::opened(component));
        QVERIFY(!component.message().isEmpty());
        QVERIFY(samples::write_colour_pdf(path("vert.pdf"), Qt::green, "Vert"));
        component.set_src(path("vert.pdf"));
        QVERIFY(probe::opened(component));
        QVERIFY(component.message().isEmpty());
        QCOMPARE(component.document()->page_count(), 1);
        QCOMPARE(component.view()->mode(), page_view::zoom_mode::fit_width);
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::green));
    }

    void file_rewritten_in_place_does_not_hang() {
        QVERIFY(
            samples::write_pdf(path("vivant.pdf"), {{Qt::red, "Un", {}}, {Qt::blue, "Deux", {}}}));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(path("vivant.pdf"));
        QVERIFY(probe::opened(component));
        QVERIFY(component.document());
        // The host rewrites the file in place, shorter, while it is shown.
        QFile file(path("vivant.pdf"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write(QByteArray(300, 'x'));
        file.resize(300);
        file.close();
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::red));
        component.view()->verticalScrollBar()->setValue(
            component.view()->verticalScrollBar()->maximum());
        component.grab();
    }

    void japanese_text_without_its_fonts_is_drawn() {
        // The document names a Japanese font it does not carry; Qt PDF must find one
        // of the system's (the package recommends fonts-vlgothic for it).
        QVERIFY(samples::write_japanese_pdf(path("japonais.pdf"), QStringLiteral("日本語の文書")));
        pdf_component component(nullptr);
        component.resize(600, 800);
        component.set_src(path("japonais.pdf"));
        QVERIFY(probe::opened(component));
        QVERIFY(component.document());
        // Drawn text only: where nothing is drawn the page is transparent.
        const QImage page =
            pdf_thread_renderer(component.document())(0, [](QSizeF) { return QSize(595, 842); });
        int ink = 0;
        for (int y = 80; y < 160; ++y)
            for (int x = 40; x < 400; ++x)
                ink += qAlpha(page.pixel(x, y)) > 128 && qGray(page.pixel(x, y)) < 128;
        QVERIFY2(ink > 1000, qPrintable(QStringLiteral("%1 dark pixels").arg(ink)));
    }

    void component_closed_while_it_opens_a_document() {
        QVERIFY(samples::write_colour_pdf(path("vite.pdf"), Qt::green, "Vert"));
        // Let go at once, while the pdf thread reads and opens the file: the
        // opening ends, its answer goes nowhere, and nothing is left behind.
        for (int round = 0; round < 20; ++round) {
            auto component = std::make_unique<pdf_component>(nullptr);
            component->set_src(path("vite.pdf"));
            if (round % 2)
                QCoreApplication::processEvents();
        }
    }

    // A document's life without any widget: requests, answers, a password and a
    // place in any order. Steps: "prepare F", "open F" or "open F@PAGE",
    // "password" (waits until asked), "answer WORD", "give up", "reload",
    // "close", "rewrite F"
    // (4 pages), "wait" (until nothing more is to come). a.pdf has 3 pages,
    // b.pdf 2, p.pdf 1 (protected by "bonjour").
    void session_life_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<document_session::state>("end");
        QTest::addColumn<int>("pages");         // of the document shown; 0: none
        QTest::addColumn<int>("place");         // the page of the last place found
        QTest::addColumn<bool>("offers_again"); // the message offers the password
        using st = document_session::state;
        const auto row = [](const char* name, const QString& steps, st end, int pages, int place,
                            bool offers = false) {
            QTest::newRow(name) << steps.split(';') << end << pages << place << offers;
        };
        row("prepared, then asked at a page", "prepare a;wait;open a@2;wait", st::shown, 3, 2);
        row("asked before it was prepared", "prepare a;open a@3;wait", st::shown, 3, 3);
        row("another asked than prepared", "prepare a;open b@2;wait", st::shown, 2, 2);
        row("a page it lacks", "open b@9;wait", st::shown, 2, 9);
        row("missing", "open absent;wait", st::failed, 0, 0);
        row("place kept through the password", "open p@1;password;answer bonjour;wait", st::shown,
            1, 1);
        row("prepared, protected, at a place", "prepare p;open p@1;password;answer bonjour;wait",
            st::shown, 1, 1);
        row("wrong password, then right",
            "open p;password;answer faux;password;answer bonjour;wait", st::shown, 1, 0);
        row("password given up", "open p;password;give up;wait", st::failed, 0, 0, true);
        row("password after another asked", "open p;password;open a@2;answer bonjour;wait",
            st::shown, 3, 2);
        row("closed while opening", "open a;close;prepare b;wait", st::prepared, 0, 0);
        row("closed once shown", "open a;wait;close", st::closed, 0, 0);
        row("reloaded unchanged", "open a@2;wait;reload;wait", st::shown, 3, 2);
        row("reloaded changed", "open a@2;wait;rewrite a;reload;wait", st::shown, 4, 2);
        row("reloading, then another", "open a;wait;rewrite a;reload;open b;wait", st::shown, 2, 0);
        row("reload while failed", "open absent;wait;reload;wait", st::failed, 0, 0);
    }

    void session_life() {
        QFETCH(QStringList, steps);
        QFETCH(document_session::state, end);
        QFETCH(int, pages);
        QFETCH(int, place);
        QFETCH(bool, offers_again);
        QTemporaryDir folder;
        const auto at = [&](const QString& name) { return folder.filePath(name); };
        QVERIFY(write_pages(at("a.pdf"), 3) && write_pages(at("b.pdf"), 2));
        if (steps.join(';').contains("open p")) {
            QVERIFY(write_pages(at("clair.pdf"), 1));
            if (QProcess::execute("qpdf", {"--encrypt", "bonjour", "maitre", "256", "--",
                                           at("clair.pdf"), at("p.pdf")}) != 0)
                QSKIP("qpdf is needed to make a protected PDF");
        }
        pdf_thread pdf;
        document_session session(pdf);
        QSignalSpy asked(&session, &document_session::password_needed);
        int answered = 0;
        int found = 0;
        bool offered = false;
        connect(&session, &document_session::place_found, this,
                [&](const auto&, const document_place& p) { found = p.page; });
        connect(&session, &document_session::message, this,
                [&](const QString&, bool offers) { offered = offers; });
        const auto settled = [&] {
            const auto s = session.current();
            return s != document_session::state::preparing &&
                   s != document_session::state::opening &&
                   s != document_session::state::reloading &&
                   s != document_session::state::asking_password;
        };
        for (const QString& step : steps) {
            const QString file = step.section(' ', 1).section('@', 0, 0) + ".pdf";
            if (step.startsWith("prepare"))
                session.prepare(at(file));
            else if (step.startsWith("open"))
                session.open(at(file), {step.section('@', 1).toInt(), {}, {}, 0});
            else if (step == "password") {
                QTRY_VERIFY(asked.count() > answered); // from the event loop, not the reply
                ++answered;
            } else if (step.startsWith("answer"))
                session.give_password(step.section(' ', 1));
            else if (step == "give up")
                session.give_password(std::nullopt);
            else if (step == "reload")
                session.reload();
            else if (step == "close")
                session.close();
            else if (step.startsWith("rewrite"))
                QVERIFY(write_pages(at(file), 4));
            else if (step == "wait")
                QTRY_VERIFY_WITH_TIMEOUT(settled(), 10'000);
        }
        QCOMPARE(session.current(), end);
        QCOMPARE(session.document() ? session.document()->page_count() : 0, pages);
        QCOMPARE(session.text() != nullptr, pages > 0);
        QCOMPARE(found, place);
        QCOMPARE(offered, offers_again);
    }

    void prepared_document_is_the_one_shown() {
        QVERIFY(samples::write_colour_pdf(path("prepare.pdf"), Qt::yellow, "Jaune"));
        pdf_component component(nullptr);
        component.prepare(path("prepare.pdf"));
        QVERIFY(probe::opened(component));
        // Gone before the tick: what was read at the request is what shows.
        QVERIFY(QFile::remove(path("prepare.pdf")));
        component.set_src(path("prepare.pdf"));
        QVERIFY(probe::opened(component));
        QVERIFY(component.document());
    }
};

KRV_TEST_MAIN(test_document)
#include "test_document.moc"
