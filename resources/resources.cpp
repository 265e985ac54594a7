#include "resources.h"

namespace krv::images {

QString bordure(int i) { return QStringLiteral(":/pictures/ccb%1.gif").arg(i); }

QStringList toutes() {
    QStringList all{bt_rech, bt_fin, btc_no, btc_ok, logo};
    for (int i = 0; i < 8; ++i)
        all << bordure(i);
    for (const char* size : {"16", "32", "32_16c", "48", "64", "128", "256"})
        all << QStringLiteral(":/pictures/icone_%1.png").arg(QLatin1String(size));
    return all;
}

QIcon icone() {
    QIcon icon;
    for (const char* size : {"16", "32_16c", "32", "48", "64", "128", "256"})
        icon.addFile(QStringLiteral(":/pictures/icone_%1.png").arg(QLatin1String(size)));
    return icon;
}

} // namespace krv::images
