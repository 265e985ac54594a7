#include "text.h"

namespace krv {

QString trim_spaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString before_first_nul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString document_path(const QString& folder, const QString& name) {
    const QString text = before_first_nul(name);
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return folder + u'/' + text.left(end);
}

namespace {

void append_folded(QChar c, int from, QString& out, std::vector<int>* origin) {
    auto put = [&](QChar folded) {
        out.append(folded);
        if (origin)
            origin->push_back(from);
    };
    const char16_t u = c.unicode();
    if (u < 0x80) {
        put(QChar(u >= 'A' && u <= 'Z' ? u + 32 : u));
        return;
    }
    switch (u) {
    case u'œ':
    case u'Œ':
        put(u'o');
        put(u'e');
        return;
    case u'æ':
    case u'Æ':
        put(u'a');
        put(u'e');
        return;
    case u'ß':
        put(u's');
        put(u's');
        return;
    case 0x2019: // typographic apostrophes
    case 0x2018:
        put(u'\'');
        return;
    case 0x00A0: // non-breaking spaces
    case 0x202F:
        put(u' ');
        return;
    default:
        break;
    }
    if (c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_SpacingCombining)
        return;
    const QChar::Decomposition tag = c.decompositionTag();
    if (tag == QChar::Canonical || tag == QChar::Compat || tag == QChar::Font) {
        for (QChar part : c.decomposition())
            append_folded(part, from, out, origin);
        return;
    }
    put(c.toCaseFolded());
}

} // namespace

QString fold_for_search(const QString& text, std::vector<int>* origin) {
    QString out;
    out.reserve(text.size());
    if (origin) {
        origin->clear();
        origin->reserve(static_cast<std::size_t>(text.size()));
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        append_folded(text[i], static_cast<int>(i), out, origin);
    return out;
}

} // namespace krv
