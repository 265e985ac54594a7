// The structure library's costs, offscreen. Each measurement runs in a child
// process of its own (this program with a mode), so that its peak memory is its
// own; the two sides of a comparison alternate in the same run.
//   print: 60 pages to a file, as a copy of the pages (now) against pictures at
//          300 dpi (the path printing took before);
//   preview: the preview of 500 pages scrolled through, peak memory;
//   open: a 500-page document with 2,000 links against the same without links,
//         time to the first page on screen (links are read afterwards).
// With a PDF of 60 pages or more as argument, print and preview use it instead
// of the generated 500 pages (a real manual, with its fonts embedded).
//   bench_structure [PDF]
#include "application.h"
#include "pdf_component.h"
#include "print_preview.h"
#include "printing.h"
#include "test_documents.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

double peak_mib() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray read(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Waits for the document to open, then until every picture of the view has come
// from the pdf thread.
void settle(krv::pdf_component& component, krv::page_view& view) {
    while (component.opening())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (;;) {
        view.viewport()->grab();
        if (view.pictures_complete())
            return;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// One measurement, in this process: prints "milliseconds peak_mib output_bytes".
int measure(const QString& mode, const QString& folder) {
    const QString source = folder + (mode.startsWith("open") ? "/" + mode + ".pdf" : "/doc.pdf");
    const QString output = folder + "/out_" + mode + ".pdf";
    krv::pdf_component component(nullptr);
    component.resize(915, 730);
    component.show();
    auto start = clock_type::now();
    component.set_src(source);
    settle(component, *component.view()); // the first page, painted
    double ms = ms_since(start);
    std::vector<int> pages(60);
    for (int i = 0; i < 60; ++i)
        pages[static_cast<std::size_t>(i)] = i;
    if (mode == "copy") {
        start = clock_type::now();
        krv::print_to_file(read(source), {}, pages, output, krv::existing_file::replace);
        ms = ms_since(start);
    } else if (mode == "pictures") {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(output);
        start = clock_type::now();
        krv::print_as_pictures(krv::pdf_thread_renderer(component.document()), printer, pages);
        ms = ms_since(start);
    } else if (mode == "preview") {
        krv::print_preview_dialog preview(component.document(), nullptr);
        preview.resize(900, 700);
        preview.show();
        start = clock_type::now();
        for (int page = 0; page < preview.view()->page_count(); ++page) {
            preview.view()->go_to_page(page);
            settle(component, *preview.view());
        }
        ms = ms_since(start);
    }
    std::printf("%.1f %.1f %lld\n", ms, peak_mib(), static_cast<long long>(QFile(output).size()));
    return 0;
}

struct figures {
    std::vector<double> ms, mib;
    qint64 bytes = 0;
    double median_ms() {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    double max_mib() const { return *std::max_element(mib.begin(), mib.end()); }
};

void run_child(const char* self, const QString& mode, const QString& folder, figures& into) {
    QProcess child;
    child.start(QString::fromLocal8Bit(self), {QStringLiteral("--measure"), mode, folder});
    child.waitForFinished(600'000);
    const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() != 3)
        return;
    into.ms.push_back(parts[0].toDouble());
    into.mib.push_back(parts[1].toDouble());
    into.bytes = parts[2].toLongLong();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    krv::application app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--measure")
        return measure(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QTemporaryDir dir;
    write(dir.filePath("doc.pdf"),
          argc == 2 ? read(QString::fromLocal8Bit(argv[1])) : krv::samples::numbered_document(500));
    write(dir.filePath("open_links.pdf"), krv::samples::numbered_document(500, 4));
    write(dir.filePath("open_plain.pdf"), krv::samples::numbered_document(500));
    figures copy, pictures, preview, with_links, without_links;
    for (int run = 0; run < 3; ++run) {
        run_child(argv[0], QStringLiteral("copy"), dir.path(), copy);
        run_child(argv[0], QStringLiteral("pictures"), dir.path(), pictures);
    }
    for (int run = 0; run < 7; ++run) {
        run_child(argv[0], QStringLiteral("open_links"), dir.path(), with_links);
        run_child(argv[0], QStringLiteral("open_plain"), dir.path(), without_links);
    }
    run_child(argv[0], QStringLiteral("preview"), dir.path(), preview);
    if (copy.ms.empty() || pictures.ms.empty() || preview.ms.empty() || with_links.ms.empty())
        return 1;
    std::printf("print 60 pages to a file (median of 3, each in its own process):\n");
    std::printf("  copy of the pages: %.0f ms, peak %.0f MiB, %lld bytes\n", copy.median_ms(),
                copy.max_mib(), static_cast<long long>(copy.bytes));
    std::printf("  pictures at 300 dpi (before): %.0f ms, peak %.0f MiB, %lld bytes\n",
                pictures.median_ms(), pictures.max_mib(), static_cast<long long>(pictures.bytes));
    std::printf("  ratio of times %.3f, of sizes %.3f\n", copy.median_ms() / pictures.median_ms(),
                double(copy.bytes) / double(pictures.bytes));
    std::printf("preview of all pages scrolled through: %.0f ms, peak %.0f MiB (goal under 200 "
                "for 500)\n",
                preview.median_ms(), preview.max_mib());
    std::printf("open a 500-page document and paint its first page (median of 7):\n");
    std::printf("  2,000 links: %.1f ms, no links: %.1f ms, ratio %.2f (goal 1.0)\n",
                with_links.median_ms(), without_links.median_ms(),
                with_links.median_ms() / without_links.median_ms());
    return 0;
}
