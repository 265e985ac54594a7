#include "document_place.h"

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

// A value as written in an address: percent-escapes decoded; a search may be
// quoted, as some hosts write it.
QString decoded(const QString& text) {
    return QUrl::fromPercentEncoding(text.toUtf8());
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
            place.page = page_number(value.trimmed());
        else if (key == u"nameddest" && place.destination.isEmpty())
            place.destination = decoded(value);
        else if (key == u"search" && place.search.isEmpty())
            place.search = unquoted(decoded(value));
        else if (key == u"hit" && place.occurrence == 0)
            place.occurrence = std::max(0, page_number(value.trimmed()) - 1);
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
    return {value, {}};
}

} // namespace krv
