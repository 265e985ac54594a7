// The reader in this process (offscreen, 915 x 730): opening a 500-page document
// against a 1-page one; searching a word only on the last of 500 pages, with the
// longest stall of the event loop meanwhile; resident memory after scrolling
// through every page and after 12 zoom changes, two seconds later. Given real
// manuals, only them instead: opening each and finding words two seconds after
// (KRV_BENCH_RUNS runs of each, 3 unless set; bench/bench_manuals.py fetches the
// manuals and gives them).
//
//     bench_reader [MANUAL.pdf WORD ...]...
//     bench_reader --write FILE        (the 500 pages only, for bench_memory.py)
#include "application.h"
#include "bench_support.h"
#include "sample_pdf.h"
#include "text_reading_process.h"

#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace krv;
using namespace krv::bench;

namespace {

// The word looked for stands only on the last page.
std::vector<samples::text_page> pages(int count) {
    return bench::text_pages(count, [count](int i) {
        return i == count - 1 ? QStringLiteral("Le mot introuvable ailleurs : cerfeuil.")
                              : QString();
    });
}

struct reader {
    pdf_component component{nullptr};
    explicit reader(const QString& path) {
        component.resize(915, 730);
        component.show();
        component.set_src(path);
        settle(component);
    }
};

void opening(const QString& one, const QString& big) {
    std::vector<double> t_one, t_big;
    for (int run = 0; run < 7; ++run)
        for (const QString& path : {one, big}) {
            const auto start = clock_type::now();
            reader r(path);
            (path == one ? t_one : t_big).push_back(ms_since(start));
        }
    std::printf("open and paint the first page (7 runs, alternated):\n");
    std::printf("  1 page: %s; 500 pages: %s; ratio of medians %.2f (goal 1.2 at most)\n",
                spread(t_one).c_str(), spread(t_big).c_str(), median(t_big) / median(t_one));
}

// Time from asking for a word to its first hit on screen, and the longest stall
// of the event loop from the opening to then; `wait_ms` after the first page.
struct search_figures {
    double to_hit = 0;
    double stall = 0;
    int page = -1;
};

search_figures search_after(const QString& path, const QString& word, int wait_ms) {
    stall_meter meter;
    meter.start();
    reader r(path);
    run_for(wait_ms);
    pdf_component& c = r.component;
    const auto start = clock_type::now();
    c.search()->find(word);
    // The hit is on screen: its place read, the view moved there and painted whole.
    wait_until([&] {
        return c.search()->current_hit() >= 0 &&
               c.search()->rectangles(
                   c.search()->hits()[static_cast<std::size_t>(c.search()->current_hit())]);
    });
    settle(c);
    search_figures f;
    f.to_hit = ms_since(start);
    f.stall = meter.stop();
    f.page = c.search()->hits()[static_cast<std::size_t>(c.search()->current_hit())].page;
    return f;
}

void searching(const QString& big) {
    std::vector<double> after_1s, stalls, at_once, stalls_at_once;
    for (int run = 0; run < 5; ++run) {
        const search_figures a = search_after(big, QStringLiteral("CERFEUIL"), 1000);
        after_1s.push_back(a.to_hit);
        stalls.push_back(a.stall);
        const search_figures b = search_after(big, QStringLiteral("CERFEUIL"), 0);
        at_once.push_back(b.to_hit);
        stalls_at_once.push_back(b.stall);
    }
    std::printf("search of a word only on the last of 500 pages (5 runs):\n");
    std::printf("  1 s after the first page: %s to the hit on screen (goal 150)\n",
                spread(after_1s).c_str());
    std::printf("    longest stall of a 5-ms timer, from opening to the hit: %s (goal 20)\n",
                spread(stalls).c_str());
    std::printf("  at once after the first page: %s to the hit; longest stall %s\n",
                spread(at_once).c_str(), spread(stalls_at_once).c_str());
}

void memory(const QString& big) {
    reader r(big);
    pdf_component& c = r.component;
    run_for(2000); // the text is extracted meanwhile
    const double opened = resident_mib();
    stall_meter meter;
    meter.start();
    const auto start = clock_type::now();
    for (int page = 0; page < c.view()->page_count(); ++page) {
        c.view()->go_to_page(page);
        settle(c);
    }
    const double scroll_ms = ms_since(start);
    const double scroll_stall = meter.stop();
    const double scrolled = resident_mib();
    run_for(2000);
    const double scrolled_later = resident_mib();
    c.view()->go_to_page(250);
    settle(c);
    for (int i = 0; i < 12; ++i) {
        if (i < 6)
            c.view()->zoom_in();
        else
            c.view()->zoom_out();
        settle(c);
    }
    const double zoomed = resident_mib();
    run_for(2000);
    const double zoomed_later = resident_mib();
    std::printf("resident memory, 500 pages: %.1f MiB opened (text extracted)\n", opened);
    std::printf("  scrolled through every page in %.0f ms (longest stall %.0f ms): %.1f MiB, "
                "%.1f MiB two seconds later (goal 64)\n",
                scroll_ms, scroll_stall, scrolled, scrolled_later);
    std::printf("  12 zoom changes: %.1f MiB, %.1f MiB two seconds later (goal 64); tile cache "
                "%.1f of %.1f Mpx\n",
                zoomed, zoomed_later, c.view()->cache_pixels() / 1e6,
                c.view()->cache_budget() / 1e6);
}

// A manual opened in a reader already on screen (as the viewer's window is when
// its document comes): the first page's time, the memory two seconds later and
// the pages whose text is there by then; then, for each word, a search two
// seconds after the first page: the time to the first hit on screen, to the
// first word of progress, and the longest stall of the event loop from the
// opening to the hit and a second beyond it (the search goes on meanwhile).
struct manual_figures {
    double open = 0, rss = 0, to_hit = 0, to_progress = -1, stall = 0, stall_work = 0;
    int extracted = 0, page = -1;
};

manual_figures manual_run(const QString& path, const QString& word) {
    pdf_component c(nullptr);
    c.resize(915, 730);
    c.show();
    run_for(300); // the empty window's first paint is not the manual's
    stall_meter meter;
    meter.start();
    manual_figures f;
    auto start = clock_type::now();
    c.set_src(path);
    settle(c);
    f.open = ms_since(start);
    run_for(2000);
    f.rss = resident_mib();
    f.extracted = c.text()->extracted_count();
    if (word.isEmpty()) {
        f.stall = meter.stop();
        return f;
    }
    start = clock_type::now();
    c.search()->find(word);
    // Hits already extracted are said at once, in find itself.
    const QString at_first = c.search()->status();
    if (!at_first.startsWith(QLatin1String("Recherche")))
        f.to_progress = 0;
    wait_until([&] {
        if (f.to_progress < 0 && c.search()->status() != at_first)
            f.to_progress = ms_since(start);
        return c.search()->current_hit() >= 0 &&
               c.search()->rectangles(
                   c.search()->hits()[static_cast<std::size_t>(c.search()->current_hit())]);
    });
    settle(c);
    f.to_hit = ms_since(start);
    f.page = c.search()->hits()[static_cast<std::size_t>(c.search()->current_hit())].page;
    run_for(1000);
    f.stall = meter.stop();
    f.stall_work = meter.longest_work();
    return f;
}

void manual(const QString& path, const QStringList& words, int runs) {
    std::printf("%s:\n", qPrintable(path.section('/', -1)));
    for (const QString& word : words) {
        std::vector<double> open, rss, hit, progress, stall, stall_work, extracted;
        int page = -1;
        for (int run = 0; run < runs; ++run) {
            const manual_figures f = manual_run(path, word);
            open.push_back(f.open);
            rss.push_back(f.rss);
            hit.push_back(f.to_hit);
            if (f.to_progress >= 0)
                progress.push_back(f.to_progress);
            stall.push_back(f.stall);
            stall_work.push_back(f.stall_work);
            extracted.push_back(f.extracted);
            page = f.page;
        }
        std::printf("  \"%s\" (%d runs): first page %s; %s two seconds later (goal 120 MiB), "
                    "text of %s pages there\n",
                    qPrintable(word), runs, spread(open).c_str(), spread(rss, "MiB").c_str(),
                    spread(extracted, "").c_str());
        std::printf("    searched 2 s after the first page: hit on page %d in %s (goal 300); "
                    "first progress or hit said in %s\n",
                    page + 1, spread(hit).c_str(), spread(progress).c_str());
        std::printf("    longest stall from the opening to a second after the hit: %s (goal 20), "
                    "of which the GUI thread's own work %s\n",
                    spread(stall).c_str(), spread(stall_work).c_str());
    }
}

// The whole text of a manual: from asking for it to its last page's.
void whole_text(const QString& path) {
    pdf_component c(nullptr);
    c.resize(915, 730);
    c.show();
    run_for(300); // as manual_run: the reader's parts are made once the window has shown
    c.set_src(path);
    settle(c);
    const auto start = clock_type::now();
    c.text()->extract_from(0);
    wait_until([&] { return c.text()->complete(); });
    std::printf("whole text of %d pages: %.0f ms\n", c.text()->page_count(), ms_since(start));
}

// With KRV_BENCH_SLOW_EVENTS=MS, each event the GUI thread takes longer than MS
// over is told on standard error (its type, its receiver's class and name): what
// a stall was made of.
class timed_application : public application {
public:
    using application::application;
    bool notify(QObject* receiver, QEvent* e) override {
        static const int slow = qEnvironmentVariableIntValue("KRV_BENCH_SLOW_EVENTS");
        if (slow <= 0)
            return application::notify(receiver, e);
        const int type = e->type();
        const auto start = clock_type::now();
        const double cpu = thread_cpu_ms();
        const bool result = application::notify(receiver, e);
        if (const double spent = ms_since(start); spent > slow)
            std::fprintf(stderr, "slow event: %.1f ms (%.1f ms working), type %d, to %s \"%s\"\n",
                         spent, thread_cpu_ms() - cpu, type, receiver->metaObject()->className(),
                         qPrintable(receiver->objectName()));
        return result;
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    timed_application app(argc, argv);
    // `--write FILE`: only the 500 pages, for the benchmark of the real program.
    if (argc == 3 && qstrcmp(argv[1], "--write") == 0)
        return samples::write_text_pdf(QString::fromLocal8Bit(argv[2]), pages(500)) ? 0 : 1;
    // The long manuals' text is read beside, as the program does, by the program.
    text_reading_process::set_program(QCoreApplication::applicationDirPath() +
                                      QStringLiteral("/../krv_pdf"));
    if (argc == 3 && qstrcmp(argv[1], "--text") == 0) {
        whole_text(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    std::printf("load average at the start: %.2f\n", load_average());
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("cinq_cents.pdf"));
    const QString one = dir.filePath(QStringLiteral("une.pdf"));
    samples::write_text_pdf(big, pages(500));
    samples::write_text_pdf(one, pages(1));
    // With manuals given, only them (the synthetic figures are the other runs').
    if (argc < 2) {
        opening(one, big);
        searching(big);
        memory(big);
    }
    // The manuals: a path, then the words to look for in it.
    const int runs = qEnvironmentVariableIntValue("KRV_BENCH_RUNS") > 0
                         ? qEnvironmentVariableIntValue("KRV_BENCH_RUNS")
                         : 3;
    QString manual_path;
    QStringList words;
    for (int i = 1; i <= argc; ++i) {
        const QString arg = i < argc ? QString::fromLocal8Bit(argv[i]) : QString();
        if (i == argc || arg.endsWith(QLatin1String(".pdf"))) {
            if (!manual_path.isEmpty())
                manual(manual_path, words, runs);
            manual_path = arg;
            words.clear();
        } else {
            words << arg;
        }
    }
    std::printf("load average at the end: %.2f\n", load_average());
    return 0;
}
