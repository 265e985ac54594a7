// Writes a PDF whose pages are filled with one colour: end-to-end tests and
// benchmarks recognise on screen which document is shown by that colour.
//   krv_make_pdf FILE RRGGBB TITLE [PAGES]
#include "sample_pdf.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        QTextStream(stderr) << "usage: krv_make_pdf FILE RRGGBB TITLE [PAGES]\n";
        return 2;
    }
    const QColor colour(QStringLiteral("#") + QString::fromLatin1(argv[2]));
    const QString title = QString::fromLocal8Bit(argv[3]);
    const int pages = argc > 4 ? std::max(1, std::atoi(argv[4])) : 1;
    std::vector<krv::samples::page> content;
    for (int i = 1; i <= pages; ++i)
        content.push_back({colour, title, {QStringLiteral("Page %1 sur %2").arg(i).arg(pages)}});
    return krv::samples::write_pdf(QString::fromLocal8Bit(argv[1]), content) ? 0 : 1;
}
