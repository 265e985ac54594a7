#include "nom_lisible.h"

namespace krv {

namespace {

// Only the letters of the marker ignore case, so positions never move.
bool marque_a(const QString& nom, qsizetype i) {
    static constexpr char16_t marque[] = u".pdf";
    for (qsizetype k = 0; k < 4; ++k) {
        char16_t c = nom[i + k].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        if (c != marque[k])
            return false;
    }
    return true;
}

} // namespace

QString nom_lisible(const QString& nom) {
    qsizetype fin = nom.size();
    for (qsizetype i = 0; i + 4 <= nom.size(); ++i) {
        if (marque_a(nom, i)) {
            fin = i;
            break;
        }
    }
    QString titre = nom.left(fin);
    titre.replace(u'_', u' ');
    if (!titre.isEmpty())
        titre[0] = titre[0].toUpper();
    return titre;
}

} // namespace krv
