#include "failure_texts.h"

#include "errors.h"
#include "file_names.h"

#include <QLocale>

#include <cerrno>
#include <sys/stat.h>

namespace krv {

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

QString megabytes(qint64 bytes) {
    return QLocale(QLocale::French).toString((bytes + mebibyte - 1) / mebibyte);
}

failure with_text(failure_kind kind, QString text) {
    return failure{kind, {}, std::move(text)};
}

} // namespace

QString failure_text(failure_kind kind, const QString& name) {
    switch (kind) {
    case failure_kind::not_found:
        return QStringLiteral("Document introuvable\u00a0: %1").arg(name);
    case failure_kind::damaged:
        return QStringLiteral("Ce document n’est pas un PDF lisible (fichier endommagé ou "
                              "d’un autre type)\u00a0: %1")
            .arg(name);
    case failure_kind::password_required:
        return QStringLiteral("Ce document est protégé par un mot de passe\u00a0: %1").arg(name);
    case failure_kind::unsupported:
        return QStringLiteral("La protection de ce document n’est pas prise en charge\u00a0: %1")
            .arg(name);
    case failure_kind::limit_exceeded:
        return QStringLiteral("Ce document est trop complexe pour être affiché sans risque (pages "
                              "trop nombreuses ou imbriquées trop profondément)\u00a0: %1")
            .arg(name);
    case failure_kind::unreadable:
        return QStringLiteral("Document illisible\u00a0: %1").arg(name);
    case failure_kind::printing: // worded where the print failed, with its reason
    case failure_kind::internal:
        break;
    }
    return QStringLiteral("Impossible d’afficher le document\u00a0: %1").arg(name);
}

failure document_failure(failure_kind kind, const QString& name) {
    return with_text(kind, failure_text(kind, name));
}

failure too_large_failure(const QString& name, qint64 size, qint64 limit) {
    const QString size_text =
        size > limit ? megabytes(size) : QStringLiteral("plus de %1").arg(megabytes(limit));
    return with_text(failure_kind::limit_exceeded,
                     QStringLiteral("Document trop volumineux\u00a0: %1 (%2\u00a0Mo\u00a0; l’aide "
                                    "en affiche jusqu’à %3\u00a0Mo)")
                         .arg(name, size_text, megabytes(limit)));
}

std::optional<failure> not_a_document_failure(unsigned mode, const QString& name) {
    if (S_ISREG(mode))
        return std::nullopt;
    if (S_ISDIR(mode))
        return with_text(
            failure_kind::unreadable,
            QStringLiteral("«\u00a0%1\u00a0» est un dossier, pas un document").arg(name));
    return with_text(failure_kind::unreadable,
                     QStringLiteral("«\u00a0%1\u00a0» n’est pas un document mais un fichier "
                                    "spécial (%2)\u00a0; l’aide ne l’ouvre pas.")
                         .arg(name, file_kind_text(mode)));
}

failure unreadable_failure(const QString& name, int system_error) {
    if (system_error == ENOENT || system_error == ENOTDIR)
        return document_failure(failure_kind::not_found, name);
    return with_text(failure_kind::unreadable,
                     QStringLiteral("%1 (%2)").arg(failure_text(failure_kind::unreadable, name),
                                                   system_message(system_error)));
}

failure empty_document_failure(const QString& name) {
    return with_text(failure_kind::unreadable, QStringLiteral("Document vide\u00a0: %1").arg(name));
}

failure no_page_failure(const QString& name) {
    return with_text(failure_kind::damaged,
                     QStringLiteral("Ce document ne contient aucune page\u00a0: %1").arg(name));
}

} // namespace krv
