// Writes a help document as manuals are made (test_documents.h, manual_document):
// a table of contents linked to its chapters, an outline, a colour per chapter.
//   krv_make_manual FILE [CHAPTERS] [PAGES_PER_CHAPTER]
// Prints, per chapter, its number, its pages' colour and its contents line's colour
// (R,G,B), so that end-to-end tests find them on screen.
#include "test_documents.h"

#include <QFile>
#include <QTextStream>

#include <cstdlib>

namespace {

QString rgb_text(const QColor& c) {
    return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        QTextStream(stderr) << "usage: krv_make_manual FILE [CHAPTERS] [PAGES_PER_CHAPTER]\n";
        return 2;
    }
    const int chapters = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 8) : 6;
    const int per_chapter = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
    const QByteArray bytes = krv::samples::manual_document(QStringLiteral("Documentation générale"),
                                                           chapters, per_chapter);
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        QTextStream(stderr) << "cannot write " << argv[1] << "\n";
        return 1;
    }
    QTextStream out(stdout);
    out << "contents " << rgb_text(krv::samples::contents_colour) << '\n';
    for (int n = 1; n <= chapters; ++n)
        out << n << ' ' << rgb_text(krv::samples::chapter_colour(n)) << ' '
            << rgb_text(krv::samples::contents_line_colour(n)) << '\n';
    return 0;
}
