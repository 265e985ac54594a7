// The search in every document of a folder of 20 documents of 100 pages (offscreen):
// time to the first hit and to the last, and the longest the interface's thread
// stood still meanwhile, as a 5 ms timer sees it. Cold: the search starts at once,
// the text is read for it. Warm: the text was read in the background first, as
// after the shown document's first page. Runs alternate, three of each.
#include "application.h"
#include "bench_support.h"
#include "folder_search.h"
#include "nom_lisible.h"
#include "sample_pdf.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int document_count = 20;
constexpr int page_count = 100;

// 30 lines a page; the word on every tenth page.
std::vector<krv::samples::text_page> pages() {
    return krv::bench::text_pages(page_count, [](int i) {
        return i % 10 == 3 ? QStringLiteral("La remise se calcule sur le total hors taxes.")
                           : QString();
    });
}

struct figures {
    double first = 0, last = 0, stall = 0;
    int hits = 0;
};

figures search_once(const std::vector<krv::folder_document>& documents, bool warm) {
    krv::pdf_thread pdf;
    krv::folder_search search(pdf);
    search.set_documents(documents);
    QEventLoop loop;
    if (warm) {
        search.prepare();
        krv::bench::wait_until([&] { return search.documents_read() == document_count; });
    }
    figures f;
    QElapsedTimer clock;
    qint64 last_tick = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        f.stall = std::max(f.stall, (now - last_tick) / 1e6 - 5.0);
        last_tick = now;
    });
    QObject::connect(&search, &krv::folder_search::hits_found, &loop,
                     [&](const std::vector<krv::folder_hit>& hits) {
                         if (f.hits == 0)
                             f.first = clock.nsecsElapsed() / 1e6;
                         f.hits += static_cast<int>(hits.size());
                     });
    QObject::connect(&search, &krv::folder_search::finished, &loop, [&] {
        f.last = clock.nsecsElapsed() / 1e6;
        loop.quit();
    });
    clock.start();
    ticks.start(5);
    search.find(QStringLiteral("remise"));
    loop.exec();
    return f;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    krv::application app(argc, argv);
    QTemporaryDir dir;
    std::vector<krv::folder_document> documents;
    const auto content = pages();
    for (int d = 0; d < document_count; ++d) {
        const QString name = QStringLiteral("guide_%1.pdf").arg(d + 1, 2, 10, QChar(u'0'));
        if (!krv::samples::write_text_pdf(dir.filePath(name), content))
            return 1;
        documents.push_back({dir.filePath(name), krv::nom_lisible(name)});
    }
    std::vector<double> first[2], last[2], stall[2];
    int hits = 0;
    for (int run = 0; run < 6; ++run) {
        const bool warm = run % 2;
        const figures f = search_once(documents, warm);
        first[warm].push_back(f.first);
        last[warm].push_back(f.last);
        stall[warm].push_back(f.stall);
        hits = f.hits;
    }
    std::printf("search in every document, %d documents of %d pages, %d hits (median of 3):\n",
                document_count, page_count, hits);
    for (int warm = 0; warm < 2; ++warm)
        std::printf("  %s: first hit %.0f ms, last %.0f ms, longest stall %.1f ms (goals 300, "
                    "2000, 20)\n",
                    warm ? "text read in the background first" : "cold, text read for the search",
                    krv::bench::median(first[warm]), krv::bench::median(last[warm]),
                    krv::bench::median(stall[warm]));
    return 0;
}
