// Writes a PDF whose pages are filled with a colour: end-to-end tests and
// benchmarks recognise on screen which document, and which page, is shown.
//   krv_make_pdf FILE RRGGBB|multi TITLE [PAGES]
// With "multi", page n takes the n-th colour of multi_colours (cycling), and
// bears the word "repère" followed by its number spelt out ("repère trois").
#include "sample_pdf.h"

#include <QGuiApplication>
#include <QTextStream>

namespace {

const char* const multi_colours[] = {"fac8c8", "c8fac8", "c8c8fa", "fafabe", "e6c8fa"};
const char* const numbers[] = {"un",  "deux", "trois", "quatre", "cinq",
                               "six", "sept", "huit",  "neuf",   "dix"};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        QTextStream(stderr) << "usage: krv_make_pdf FILE RRGGBB|multi TITLE [PAGES]\n";
        return 2;
    }
    const QString colour = QString::fromLatin1(argv[2]);
    const QString title = QString::fromLocal8Bit(argv[3]);
    const int pages = argc > 4 ? std::max(1, std::atoi(argv[4])) : 1;
    std::vector<krv::samples::text_page> content;
    for (int i = 0; i < pages; ++i) {
        const bool multi = colour == QLatin1String("multi");
        const QColor ground(QStringLiteral("#") +
                            (multi ? QString::fromLatin1(multi_colours[i % 5]) : colour));
        QStringList lines{title, QStringLiteral("Page %1 sur %2").arg(i + 1).arg(pages)};
        if (multi)
            lines << QStringLiteral("repère %1").arg(QString::fromLatin1(numbers[i % 10]));
        content.push_back({ground, lines});
    }
    return krv::samples::write_text_pdf(QString::fromLocal8Bit(argv[1]), content) ? 0 : 1;
}
