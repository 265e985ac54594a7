#include "document_place.h"

#include "file_names.h"
#include "text.h"

#include <QUrl>

#include <algorithm>

namespace krv {

namespace {

// A page number as written: digits only; 0 for anything else, or for a number
// so large that no document has that page.
int page_number(const QString& text) {
    if (text.isEmpty() || text.size() > 9)
        return 0;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return 0;
    return text.toInt();
}

int hex_digit(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    const char16_t lower = c.toLower().unicode();
    return lower >= u'a' && lower <= u'f' ? lower - u'a' + 10 : -1;
}

// The byte of a "%XX" escape at `at`, or -1 when there is none.
int escaped_byte(const QString& text, qsizetype at) {
    if (at + 2 >= text.size() || text[at] != u'%')
        return -1;
    const int high = hex_digit(text[at + 1]);
    const int low = hex_digit(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// A value as written in an address: each run of "%XX" escapes is decoded as
// UTF-8, or, where its bytes are not valid UTF-8, as Windows-1252, the host's
// code page ("%E9" is "é" either way); a "%" not followed by two hexadecimal
// digits stays as typed. A NUL decoded ends the value, as a NUL ends the
// host's values: what is shown is what is searched.
QString decoded(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        QByteArray run;
        for (int byte = escaped_byte(text, i); byte >= 0; byte = escaped_byte(text, i)) {
            run.append(static_cast<char>(byte));
            i += 3;
        }
        if (run.isEmpty())
            out.append(text[i++]);
        else
            out.append(readable_file_name(decode_file_name(run)));
    }
    return before_first_nul(out);
}

// Whether what follows a "#" asks for a place: some page, hit, destination or
// word, among parameters all written key=value.
bool reads_as_place(const QString& parameters) {
    bool asks = false;
    for (const QString& parameter : parameters.split(u'&')) {
        if (!parameter.contains(u'='))
            return false;
        const document_place one = parse_place(parameter);
        asks = asks || !one.empty();
    }
    return asks;
}

QString unquoted(QString text) {
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.mid(1, text.size() - 2).trimmed();
    return text;
}

} // namespace

document_place parse_place(const QString& parameters) {
    document_place place;
    for (const QString& parameter : parameters.split(u'&')) {
        const qsizetype equals = parameter.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = parameter.left(equals).trimmed().toLower();
        const QString value = parameter.mid(equals + 1);
        if (key == u"page" && place.page == 0)
            place.page = page_number(decoded(value).trimmed());
        else if (key == u"nameddest" && place.destination.isEmpty())
            place.destination = decoded(value);
        else if (key == u"search" && place.search.isEmpty())
            place.search = unquoted(decoded(value));
        else if (key == u"hit" && place.occurrence == 0)
            place.occurrence = std::max(0, page_number(decoded(value).trimmed()) - 1);
    }
    return place;
}

QString place_parameters(const document_place& place) {
    QStringList parameters;
    if (place.page > 0)
        parameters << QStringLiteral("page=%1").arg(place.page);
    if (!place.destination.isEmpty())
        parameters << QStringLiteral("nameddest=") +
                          QString::fromLatin1(QUrl::toPercentEncoding(place.destination));
    if (!place.search.isEmpty())
        parameters << QStringLiteral("search=") +
                          QString::fromLatin1(QUrl::toPercentEncoding(place.search));
    if (place.occurrence > 0)
        parameters << QStringLiteral("hit=%1").arg(place.occurrence + 1);
    return parameters.isEmpty() ? QString() : u'#' + parameters.join(u'&');
}

placed_name split_place(const QString& value, const std::function<bool(const QString&)>& exists) {
    QString text = before_first_nul(value);
    while (text.endsWith(u' '))
        text.chop(1);
    if (!text.contains(u'#') || exists(text))
        return {value, {}};
    // The name is the longest part before a "#" that exists: a name may hold "#"
    // itself, and a searched word may too.
    for (qsizetype hash = text.lastIndexOf(u'#'); hash > 0;
         hash = text.lastIndexOf(u'#', hash - 1)) {
        const QString name = text.left(hash);
        if (exists(name))
            return {name, parse_place(text.mid(hash + 1))};
    }
    // No file has the name (it vanished since it was chosen, or the host names
    // one the folder lacks): a place is still told apart from the name, so
    // that the message names the file alone.
    for (qsizetype hash = text.lastIndexOf(u'#'); hash > 0;
         hash = text.lastIndexOf(u'#', hash - 1)) {
        if (reads_as_place(text.mid(hash + 1)))
            return {text.left(hash), parse_place(text.mid(hash + 1))};
    }
    return {value, {}};
}

} // namespace krv
