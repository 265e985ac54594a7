// Zoom steps in this process (offscreen, 915 x 730): from fitted to the width, by
// Ctrl++ up to 400 % and back, on a page of dense 10-point text (and on a page
// of a real manual when given). Each step is timed from the key to the paint
// that has every picture at the new zoom. Alternated with the toolkit's floor:
// one Qt PDF render of exactly what shows, on this thread, nothing kept.
//
//     bench_zoom [MANUAL.pdf PAGE]
#include "application.h"
#include "bench_support.h"
#include "sample_pdf.h"

#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

using namespace krv;
using namespace krv::bench;

namespace {

samples::text_page dense_page() {
    samples::text_page page{Qt::white, {}, false, 10, 12};
    for (int l = 0; l < 62; ++l)
        page.lines << QStringLiteral("%1. Le règlement des factures se fait à trente jours "
                                     "fin de mois ; la saisie des avoirs suit.")
                          .arg(l + 1);
    return page;
}

// What shows of the view's current page, rendered by Qt PDF directly.
double floor_ms(QPdfDocument& document, page_view& view) {
    const int page = view.current_page();
    const QPointF origin = view.to_viewport(page, {0, 0});
    const QSizeF points = document.pagePointSize(page);
    const double scale = view.zoom() * 96.0 / 72.0;
    const QSize whole = (points * scale).toSize();
    const QRect part = QRect(QPoint(0, 0), view.viewport()->size())
                           .translated(-origin.toPoint())
                           .intersected(QRect(QPoint(0, 0), whole));
    QPdfDocumentRenderOptions options;
    options.setScaledSize(whole);
    options.setScaledClipRect(QRect(part.topLeft(), part.size() + QSize(1, 1)));
    const auto start = clock_type::now();
    document.render(page, part.size(), options);
    return ms_since(start);
}

void steps(const QString& path, int page, const char* what) {
    pdf_component c(nullptr);
    c.resize(915, 730);
    c.show();
    c.set_src(path);
    settle(c);
    wait_until([&] { return c.text()->complete(); }); // nothing else on the pdf thread
    c.view()->go_to_page(page);
    c.view()->verticalScrollBar()->setValue(c.view()->verticalScrollBar()->value() + 200);
    settle(c);
    QPdfDocument floor;
    floor.load(path);
    std::map<int, std::vector<double>> ours, theirs; // by zoom in percent, signed: in or out
    for (int round = 0; round < 3; ++round) {
        c.view()->set_zoom_mode(page_view::zoom_mode::fit_width);
        settle(c);
        const double fitted = c.view()->zoom();
        // In up to 400 %, out as long as it stays above the fitted zoom, then fitted.
        for (int direction : {1, -1, 0}) {
            for (;;) {
                const double now = c.view()->zoom();
                const bool more = direction > 0   ? now < page_view::max_zoom
                                  : direction < 0 ? now / page_view::zoom_step > fitted
                                                  : now != fitted;
                if (!more)
                    break;
                const auto start = clock_type::now();
                if (direction > 0)
                    c.view()->zoom_in();
                else if (direction < 0)
                    c.view()->zoom_out();
                else
                    c.view()->set_zoom_mode(page_view::zoom_mode::fit_width);
                settle(c);
                const int key = static_cast<int>(std::lround(c.view()->zoom() * 100)) *
                                (direction > 0 ? 1 : -1);
                ours[key].push_back(ms_since(start));
                theirs[key].push_back(floor_ms(floor, *c.view()));
            }
        }
    }
    std::printf("zoom steps on %s (3 rounds; ours, then Qt PDF rendering what shows):\n", what);
    double worst = 0;
    for (const auto& [key, times] : ours) {
        worst = std::max(worst, *std::max_element(times.begin(), times.end()));
        std::printf("  %s to %3d %%: %s; floor %s\n", key > 0 ? "in " : "out", std::abs(key),
                    spread(times).c_str(), spread(theirs[key]).c_str());
    }
    std::printf("  worst step: %.0f ms (goal 80)\n", worst);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application app(argc, argv);
    std::printf("load average at the start: %.2f\n", load_average());
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("texte.pdf"));
    samples::write_text_pdf(text, {dense_page(), dense_page()});
    steps(text, 0, "a page of dense 10-point text");
    if (argc > 2)
        steps(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]).toInt() - 1,
              argv[1]);
    std::printf("load average at the end: %.2f\n", load_average());
    return 0;
}
