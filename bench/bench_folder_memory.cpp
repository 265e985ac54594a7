// The memory the search in every document takes at its peak, on the folders that
// once took gigabytes: 30 links to one large PDF (200 MB of pictures and 100
// pages of text), and 300 small PDFs of 60 pages searched for "ligne" and "e"
// (half a million and five million hits). Each case runs in a process of its
// own (the search and its list of results, as the viewer has them, offscreen)
// which this process watches: its peak resident memory, and its end when it passes
// the limit (4 GiB unless told; the address space is bounded at four times that).
//   bench_folder_memory [FOLDER] [--limit-mib N]   the folders are made in FOLDER
//   bench_folder_memory --case FOLDER WORD         one case (run by the above)
#include "application.h"
#include "bench_support.h"
#include "folder_results.h"
#include "folder_search.h"
#include "nom_lisible.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <cstdio>
#include <sys/resource.h>

namespace {

// A PDF of `pages` pages of text, each with a picture of `picture_bytes` of noise
// drawn in a corner (not decoded to read the text; it makes the file large).
QByteArray large_pdf(int pages, int picture_bytes) {
    const int side = static_cast<int>(std::sqrt(picture_bytes / 3.0));
    std::vector<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>",
                                    {},
                                    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                                    "/Encoding /WinAnsiEncoding >>"};
    QByteArray kids;
    QByteArray noise(3 * side * side, Qt::Uninitialized);
    for (int p = 0; p < pages; ++p) {
        const int page = static_cast<int>(objects.size()) + 1;
        kids += QByteArray::number(page) + " 0 R ";
        QByteArray content = "q 100 0 0 100 450 700 cm /Im1 Do Q BT /F1 11 Tf 50 800 Td";
        for (int l = 0; l < 30; ++l)
            content += " (Ligne " + QByteArray::number(l + 1) + " de la page " +
                       QByteArray::number(p + 1) + " : le reglement des factures.) Tj 0 -20 Td";
        content += " ET";
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.data()),
                                              noise.size() / 4);
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << "
                          "/Font << /F1 3 0 R >> /XObject << /Im1 " +
                          QByteArray::number(page + 2) + " 0 R >> >> /Contents " +
                          QByteArray::number(page + 1) + " 0 R >>");
        objects.push_back("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
                          content + "\nendstream");
        objects.push_back(
            "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(side) + " /Height " +
            QByteArray::number(side) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
            QByteArray::number(noise.size()) + " >>\nstream\n" + noise + "\nendstream");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    return krv::samples::pdf_file(objects);
}

bool make_folders(const QDir& base) {
    const QString links = base.filePath(QStringLiteral("liens"));
    const QString small = base.filePath(QStringLiteral("petits"));
    if (!QDir(links).exists()) {
        std::printf("making 30 links to a PDF of 200 MB...\n");
        std::fflush(stdout);
        QDir().mkpath(links);
        const QString big = base.filePath(QStringLiteral("gros.pdf"));
        if (!krv::samples::write_file(big, large_pdf(100, 2'000'000)))
            return false;
        for (int i = 0; i < 30; ++i)
            QFile::link(big, QDir(links).filePath(
                                 QStringLiteral("lien_%1.pdf").arg(i + 1, 2, 10, QChar(u'0'))));
    }
    if (!QDir(small).exists()) {
        std::printf("making 300 PDFs of 60 pages...\n");
        std::fflush(stdout);
        QDir().mkpath(small);
        const auto content = krv::bench::text_pages(60, [](int) { return QString(); });
        for (int i = 0; i < 300; ++i)
            if (!krv::samples::write_text_pdf(
                    QDir(small).filePath(
                        QStringLiteral("doc_%1.pdf").arg(i + 1, 3, 10, QChar(u'0'))),
                    content))
                return false;
    }
    return true;
}

// One case, in this process: the search of `word` in every PDF of `folder`, with
// its results listed as the viewer lists them.
int run_case(const QString& folder, const QString& word) {
    std::vector<krv::folder_document> documents;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name))
        documents.push_back({QDir(folder).filePath(name), krv::nom_lisible(name)});
    krv::pdf_thread pdf;
    krv::folder_search search(pdf);
    krv::folder_results results(nullptr);
    QObject::connect(&search, &krv::folder_search::hits_found, &results,
                     &krv::folder_results::add_hits);
    QObject::connect(&search, &krv::folder_search::document_skipped, &results,
                     &krv::folder_results::add_skipped);
    QObject::connect(&search, &krv::folder_search::counted, &results,
                     &krv::folder_results::set_count);
    QEventLoop loop;
    QObject::connect(&search, &krv::folder_search::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    search.set_documents(documents);
    results.start(documents, word);
    search.find(word);
    loop.exec();
    results.finish();
    std::printf("%.1f s, %d rows listed: %s\n", clock.elapsed() / 1000.0, results.hit_count(),
                qPrintable(results.status()));
    return 0;
}

// A figure of /proc/PID/status in KiB ("VmHWM", "VmRSS"); 0 when it cannot be read.
qint64 status_kib(qint64 pid, const QByteArray& key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLongLong();
    return 0;
}

void measure(const QString& self, const QString& folder, const QString& word, qint64 limit_mib,
             const char* what) {
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setProgram(self);
    child.setArguments({QStringLiteral("--case"), folder, word, QString::number(limit_mib)});
    child.start();
    child.waitForStarted();
    qint64 peak = 0;
    bool stopped = false;
    while (!child.waitForFinished(50)) {
        peak = std::max(peak, status_kib(child.processId(), "VmHWM"));
        if (status_kib(child.processId(), "VmRSS") > limit_mib << 10) {
            stopped = true;
            child.kill();
        }
    }
    const QByteArray said = child.readAll().trimmed();
    const bool ended = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    std::printf("%s, \"%s\": peak %.0f MiB%s\n  %s\n", what, qPrintable(word), peak / 1024.0,
                stopped ? " (stopped at the limit)"
                : ended ? ""
                        : " (failed)",
                qPrintable(QString::fromUtf8(said.right(600))));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 5 && QByteArray(argv[1]) == "--case") {
        const rlim_t limit = static_cast<rlim_t>(QByteArray(argv[4]).toLongLong()) << 22;
        const rlimit bound{limit, limit};
        setrlimit(RLIMIT_AS, &bound);
        krv::application app(argc, argv);
        return run_case(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    qint64 limit_mib = 4096;
    QString base;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--limit-mib" && i + 1 < argc)
            limit_mib = QByteArray(argv[++i]).toLongLong();
        else
            base = QString::fromLocal8Bit(argv[i]);
    }
    QTemporaryDir scratch;
    if (base.isEmpty())
        base = scratch.path();
    if (!make_folders(QDir(base)))
        return 1;
    std::printf("search in every document, peak resident memory (limit %lld MiB):\n",
                static_cast<long long>(limit_mib));
    const QString self = QCoreApplication::applicationFilePath();
    measure(self, QDir(base).filePath(QStringLiteral("liens")), QStringLiteral("ligne"), limit_mib,
            "30 links to one PDF of 200 MB");
    for (const char* word : {"ligne", "e"})
        measure(self, QDir(base).filePath(QStringLiteral("petits")), QString::fromLatin1(word),
                limit_mib, "300 PDFs of 60 pages");
    return 0;
}
