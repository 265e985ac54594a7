#include "resources.h"

namespace krv::images {

QString bordure(int i) { return QStringLiteral(":/pictures/ccb%1.gif").arg(i); }

QString outil(const char* name) { return QStringLiteral(":/pictures/%1.png").arg(QLatin1String(name)); }

QStringList toutes() {
    QStringList all{bt_rech, bt_fin, btc_no, btc_ok, logo};
    for (const char* name : {"outil_precedent", "outil_suivant", "outil_zoom_avant", "outil_zoom_arriere",
                             "outil_largeur", "outil_page_entiere", "outil_rechercher", "outil_imprimer",
                             "outil_apercu", "outil_sommaire", "outil_fermer"})
        all << outil(name);
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
