#include "nom_lisible.h"

namespace krv {

namespace {

// Only the letters of the marker ignore case, so positions never move.
bool marker_at(const QString& name, qsizetype i) {
    static constexpr char16_t marker[] = u".pdf";
    for (qsizetype k = 0; k < 4; ++k) {
        char16_t c = name[i + k].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        if (c != marker[k])
            return false;
    }
    return true;
}

} // namespace

QString nom_lisible(const QString& name) {
    qsizetype end = name.size();
    for (qsizetype i = 0; i + 4 <= name.size(); ++i) {
        if (marker_at(name, i)) {
            end = i;
            break;
        }
    }
    QString title = name.left(end);
    title.replace(u'_', u' ');
    if (!title.isEmpty())
        title[0] = title[0].toUpper();
    return title;
}

} // namespace krv
