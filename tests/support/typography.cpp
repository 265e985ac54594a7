#include "typography.h"

#include <QRegularExpression>

namespace krv::typography {

const QStringList& design_strings() {
    static const QStringList strings{
        QStringLiteral("Sortie de l'aide"),
        QStringLiteral("Retour a la fiche Ridaza"),
        QStringLiteral("Cliquez deux fois sur la documentation à visualiser. Vous pourrez "
                       "l'imprimer directement à partir de l'écran suivant."),
    };
    return strings;
}

QStringList faults(const QString& text, found_in where) {
    for (const QString& design : design_strings())
        if (where == found_in::source ? design.contains(text) : design == text)
            return {};
    struct rule {
        QRegularExpression pattern;
        const char* fault;
        bool screen_only = false;
    };
    static const rule rules[] = {
        {QRegularExpression(QStringLiteral(" [:;?!»]")), "plain space before : ; ? ! or »"},
        {QRegularExpression(QStringLiteral("« ")), "plain space after «"},
        {QRegularExpression(QStringLiteral("\\d %(?![0-9L])")), "plain space before %"},
        {QRegularExpression(QStringLiteral("\\p{L}'\\p{L}")), "straight apostrophe"},
        // "Pages:" and "Note:", but not "https://" or "Ctrl+O".
        {QRegularExpression(QStringLiteral("\\p{L}[:;?!](\\s|$)")), "no space before : ; ? !",
         true},
    };
    QStringList found;
    for (const rule& r : rules) {
        if (r.screen_only && where == found_in::source)
            continue;
        const QRegularExpressionMatch m = r.pattern.match(text);
        if (m.hasMatch())
            found << QStringLiteral("%1 at «%2» in: %3")
                         .arg(QLatin1String(r.fault), m.captured(0), text);
    }
    return found;
}

QStringList string_literals(const QString& line) {
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    QStringList texts;
    for (const QRegularExpressionMatch& m : literal.globalMatch(line))
        texts << m.captured(1);
    return texts;
}

} // namespace krv::typography
