// Writes a four-page PDF of one colour whose outline is sound or malformed, for
// the end-to-end test of hostile folders.
//   krv_make_outline FILE sound|next_loop|first_to_ancestor|deep_30000 RRGGBB
#include "test_documents.h"

#include <QFile>
#include <QTextStream>

#include <map>
#include <string>

int main(int argc, char** argv) {
    using krv::samples::outline_shape;
    const std::map<std::string, outline_shape> shapes{
        {"sound", outline_shape::sound},
        {"next_loop", outline_shape::next_loop},
        {"first_to_ancestor", outline_shape::first_to_ancestor},
        {"deep_30000", outline_shape::deep_30000}};
    if (argc != 4 || !shapes.count(argv[2])) {
        QTextStream(stderr)
            << "usage: krv_make_outline FILE sound|next_loop|first_to_ancestor|deep_30000 RRGGBB\n";
        return 2;
    }
    const unsigned colour = std::stoul(argv[3], nullptr, 16);
    const QByteArray bytes = krv::samples::outline_document(shapes.at(argv[2]), colour);
    QFile file(QString::fromLocal8Bit(argv[1]));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? 0 : 1;
}
