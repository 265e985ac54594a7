#include "text.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>

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

QString literal_rich_text(const QString& text) {
    // The text's own spaces and breaks stay. Long lines wrap; short ones do not, or
    // Qt folds a title of a few words into a narrow box of several lines.
    const QStringList lines = text.split(u'\n');
    const bool wraps = std::any_of(lines.begin(), lines.end(),
                                   [](const QString& line) { return line.size() > 80; });
    return QStringLiteral("<p style=\"white-space:%1\">%2</p>")
        .arg(wraps ? QStringLiteral("pre-wrap") : QStringLiteral("pre"), text.toHtmlEscaped());
}

QString number_text(qint64 number) {
    return QLocale(QLocale::French).toString(number);
}

QString count_of(qint64 count, const QString& one, const QString& many) {
    return QStringLiteral("%1\u00a0%2").arg(number_text(count), count > 1 ? many : one);
}

namespace {

bool is_line_break(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

} // namespace

line_excerpt line_around(const QString& text, int start, int length, int width) {
    start = std::clamp(start, 0, static_cast<int>(text.size()));
    length = std::clamp(length, 0, static_cast<int>(text.size()) - start);
    int begin = start;
    while (begin > 0 && !is_line_break(text[begin - 1]))
        --begin;
    int end = start + length;
    while (end < text.size() && !is_line_break(text[end]))
        ++end;
    line_excerpt line;
    // Breaks inside a hit and every kind of blank become plain spaces, runs of them one.
    QString plain;
    int hit_start = 0;
    int hit_end = 0;
    for (int i = begin; i <= end; ++i) {
        if (i == start)
            hit_start = static_cast<int>(plain.size());
        if (i == start + length)
            hit_end = static_cast<int>(plain.size());
        if (i == end)
            break;
        const QChar c = text[i];
        if (c == QChar(0xFFFE) || c == QChar(0x00AD))
            continue; // a line-end hyphen that joined the word's two parts (see fold_for_search)
        const bool blank = c.isSpace() || is_line_break(c);
        if (blank && (plain.isEmpty() || plain.endsWith(u' ')))
            continue;
        plain.append(blank ? QChar(u' ') : c);
    }
    while (plain.endsWith(u' '))
        plain.chop(1);
    hit_end = std::min(hit_end, static_cast<int>(plain.size()));
    hit_start = std::min(hit_start, hit_end);
    if (plain.size() <= width) {
        line.text = plain;
        line.hit_start = hit_start;
        line.hit_length = hit_end - hit_start;
        return line;
    }
    // Cut round the hit: as much before as after, within the width.
    const int room = std::max(0, width - (hit_end - hit_start));
    int from = std::max(0, hit_start - room / 2);
    const int to =
        std::min(static_cast<int>(plain.size()), from + std::max(width, hit_end - hit_start));
    from = std::max(0, std::min(from, to - width));
    line.text = plain.mid(from, to - from);
    line.hit_start = hit_start - from;
    if (from > 0) {
        line.text.prepend(u'…');
        ++line.hit_start;
    }
    if (to < plain.size())
        line.text.append(u'…');
    line.hit_length = hit_end - hit_start;
    return line;
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

// Where a word cut at a line end goes on: past its hyphen and the line break, or
// `at` itself when no word is cut there. Qt PDF (pdfium) writes a hyphen that
// ends a line after a letter as U+FFFE and drops the break; a soft hyphen is
// never printed but at a line end; a plain hyphen cuts a word only between a
// letter and a lower-case one.
qsizetype after_cut_word(const QString& text, qsizetype at) {
    const char16_t c = text[at].unicode();
    if (c != 0xFFFE && c != 0x00AD && c != u'-' && c != 0x2010)
        return at;
    qsizetype next = at + 1;
    if (next < text.size() && text[next] == u'\r')
        ++next;
    if (next < text.size() && (text[next] == u'\n' || text[next] == QChar(0x2028)))
        ++next;
    if (c == 0xFFFE || c == 0x00AD)
        return next;
    const bool cut = next > at + 1 && at > 0 && text[at - 1].isLetter() && next < text.size() &&
                     text[next].isLower();
    return cut ? next : at;
}

} // namespace

QString fold_for_search(const QString& text, std::vector<int>* origin) {
    QString out;
    out.reserve(text.size());
    if (origin) {
        origin->clear();
        origin->reserve(static_cast<std::size_t>(text.size()));
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (const qsizetype next = after_cut_word(text, i); next != i) {
            i = next - 1; // a word cut at a line end is searched whole
            continue;
        }
        append_folded(text[i], static_cast<int>(i), out, origin);
    }
    return out;
}

namespace {

bool in_word(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}

bool ends_line(QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar(0x2028);
}

// Qt PDF gives a hyphen that ended a line as U+FFFE, without the line's break.
bool last_of_line(QChar c) {
    return c == QChar(0xFFFE);
}

} // namespace

text_range word_at(const QString& text, int boundary) {
    const int size = static_cast<int>(text.size());
    int at = boundary;
    if (at < 0 || at >= size || !in_word(text[at]))
        at = boundary - 1;
    if (at < 0 || at >= size || !in_word(text[at]))
        return {};
    text_range word{at, at + 1};
    while (word.start > 0 && in_word(text[word.start - 1]))
        --word.start;
    while (word.end < size && in_word(text[word.end]))
        ++word.end;
    return word;
}

text_range line_at(const QString& text, int boundary) {
    const int size = static_cast<int>(text.size());
    int at = boundary;
    if (at >= size || (at >= 0 && ends_line(text[at])))
        at = boundary - 1;
    if (at < 0 || at >= size || ends_line(text[at]))
        return {};
    text_range line{at, at + 1};
    while (line.start > 0 && !ends_line(text[line.start - 1]) &&
           !last_of_line(text[line.start - 1]))
        --line.start;
    while (line.end < size && !ends_line(text[line.end]) && !last_of_line(text[line.end - 1]))
        ++line.end;
    return line;
}

} // namespace krv
