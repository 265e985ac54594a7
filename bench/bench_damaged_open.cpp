// Opens one PDF as the reader does and says whether it shows: a document with
// pages whose first page draws. bench_damaged.py runs it on each damaged variant
// of its corpus, in a process of its own under a time limit (Qt PDF alone may
// hang for ever).
//   bench_damaged_open [--qt-pdf-alone] FILE
// prints "shown MS PAGES [rewritten]" or "refused MS MESSAGE"; --qt-pdf-alone gives the
// bytes to Qt PDF as they are, as the reader did before it checked them.
#include "document_loading.h"
#include "pdf_thread.h"

#include <QBuffer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QPdfDocument>

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

int report(bool shown, clock_type::time_point start, const QString& detail) {
    std::printf("%s %.0f %s\n", shown ? "shown" : "refused", ms_since(start),
                detail.simplified().toUtf8().constData());
    return 0;
}

// The reader's way: the pdf thread's opening, then page 1 rendered there.
int open_as_reader(const QString& path, clock_type::time_point start) {
    krv::pdf_thread thread;
    std::optional<krv::opened_document> opened;
    QEventLoop loop;
    thread.open_file(path, {}, [&](krv::opened_document result) {
        opened = std::move(result);
        loop.quit();
    });
    loop.exec();
    if (!opened->document)
        return report(false, start, opened->needs_password() ? "password" : opened->trouble.text);
    std::optional<bool> drawn;
    thread.post(*opened->document, krv::pdf_priority::interactive, [&](QPdfDocument& pdf) {
        const bool ink = !pdf.render(0, QSize(200, 280)).isNull();
        thread.reply([&, ink] {
            drawn = ink;
            loop.quit();
        });
    });
    loop.exec();
    const bool rewritten = opened->document->bytes() != opened->bytes;
    return report(*drawn, start,
                  QString::number(opened->document->page_count()) +
                      (rewritten ? QStringLiteral(" rewritten") : QString()));
}

int open_with_qt_pdf_alone(const QString& path, clock_type::time_point start) {
    krv::outcome<QByteArray> read = krv::read_document(path);
    if (!read)
        return report(false, start, read.error().text);
    QBuffer buffer(&read.value());
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument pdf;
    pdf.load(&buffer);
    if (pdf.status() != QPdfDocument::Status::Ready || pdf.pageCount() <= 0)
        return report(false, start, krv::pdf_failure(pdf.error(), path).text);
    const bool drawn = !pdf.render(0, QSize(200, 280)).isNull();
    return report(drawn, start, QString::number(pdf.pageCount()));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool alone = args.value(0) == QLatin1String("--qt-pdf-alone");
    if (args.size() != (alone ? 2 : 1)) {
        std::fprintf(stderr, "usage: bench_damaged_open [--qt-pdf-alone] FILE\n");
        return 2;
    }
    const auto start = clock_type::now();
    return alone ? open_with_qt_pdf_alone(args.last(), start) : open_as_reader(args.last(), start);
}
