// Time to open the list dialog and have its list ready, for folders of 1,000,
// 10,000 and 20,000 PDF files (offscreen platform).
#include "application.h"
#include "failures.h"
#include "krv_pdf2.h"
#include "menu_pdf.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double open_once() {
    const auto start = std::chrono::steady_clock::now();
    krv::krv_pdf2& dialog = krv::load_form<krv::krv_pdf2>();
    dialog.show_modeless();
    QCoreApplication::processEvents();
    const auto end = std::chrono::steady_clock::now();
    const int rows = dialog.List1->count();
    dialog.annul_demande();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (rows <= 0)
        std::fprintf(stderr, "empty list\n");
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    krv::application app(argc, argv);
    krv::set_message_box_action([](const QString&, const QString&) {});
    std::printf("list dialog opened with its list ready (median of 7, offscreen):\n");
    double at_10000 = 0;
    for (int files : {1000, 10000, 20000}) {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        for (int i = 0; i < files; ++i) {
            QFile f(QStringLiteral("doc_%1_notice_technique.pdf").arg(i, 5, 10, QLatin1Char('0')));
            f.open(QIODevice::WriteOnly);
        }
        krv::load_form<krv::menu_pdf>(); // the dialog stands over the viewer
        std::vector<double> ms;
        for (int run = 0; run < 7; ++run)
            ms.push_back(open_once());
        std::sort(ms.begin(), ms.end());
        std::printf("  %6d files: %8.1f ms\n", files, ms[3]);
        if (files == 10000)
            at_10000 = ms[3];
        if (files == 20000)
            std::printf("  20,000 / 10,000 = %.2f\n", ms[3] / at_10000);
        krv::unload_all_forms();
    }
    return 0;
}
