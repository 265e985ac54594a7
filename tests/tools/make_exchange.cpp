// Writes an exchange file as the host leaves it, for the end-to-end tests:
//   krv_make_exchange FILE [--count N] KEY=VALUE...
// The header counts the entries given, or N.
#include "exchange.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream(stderr) << "usage: krv_make_exchange FILE [--count N] KEY=VALUE...\n";
        return 2;
    }
    const QString file = args.takeFirst();
    std::optional<std::int32_t> count;
    std::vector<krv::samples::entry> entries;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--count") && !args.isEmpty()) {
            count = args.takeFirst().toInt();
            continue;
        }
        const qsizetype equals = arg.indexOf(u'=');
        entries.push_back({arg.left(equals), equals < 0 ? QString() : arg.mid(equals + 1)});
    }
    return krv::samples::write_file(file, krv::samples::exchange_file(entries, count)) ? 0 : 1;
}
