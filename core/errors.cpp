#include "errors.h"

#include <cerrno>
#include <cstring>

namespace krv {

namespace {

// The common errors of file work, worded for the user whatever the locale: the
// system's texts are English under the C locale the program often runs in.
QString common_message(int system_error, file_kind kind) {
    switch (system_error) {
    case ENOENT:
        return kind == file_kind::folder ? QStringLiteral("Dossier introuvable")
                                         : QStringLiteral("Fichier introuvable");
    case EACCES:
    case EPERM:
        return QStringLiteral("Accès refusé");
    case EISDIR:
        return QStringLiteral("C’est un dossier");
    case ENOTDIR:
        return QStringLiteral("Un élément du chemin n’est pas un dossier");
    case EROFS:
        return QStringLiteral("Support en lecture seule");
    case ENOSPC:
        return QStringLiteral("Plus de place sur le disque");
    case EDQUOT:
        return QStringLiteral("Quota de disque dépassé");
    case EIO:
        return QStringLiteral("Erreur d’entrée-sortie sur le disque");
    case ELOOP:
        return QStringLiteral("Trop de liens symboliques, ou lien refusé");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Trop de fichiers ouverts");
    case ENAMETOOLONG:
        return QStringLiteral("Nom trop long");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Fichier occupé");
    case EEXIST:
        return QStringLiteral("Le fichier existe déjà");
    case EFBIG:
        return QStringLiteral("Fichier trop volumineux");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("Périphérique absent");
    case EINVAL:
        return QStringLiteral("Opération impossible sur ce fichier");
    case EAGAIN:
        return QStringLiteral("Fichier momentanément indisponible");
    case ENOMEM:
        return QStringLiteral("Mémoire insuffisante");
    case ESPIPE:
        return QStringLiteral("Ce n’est pas un fichier ordinaire");
    case ESTALE:
        return QStringLiteral("Fichier réseau devenu inaccessible");
    default:
        return {};
    }
}

} // namespace

error::error(const QString& description)
    : std::runtime_error(description.toStdString()), description_(description) {}

overflow_error::overflow_error() : error(QStringLiteral("Dépassement de capacité")) {}

bad_record_number_error::bad_record_number_error(qint64 number)
    : error(QStringLiteral("Numéro d’enregistrement incorrect (%1)").arg(number)) {}

file_error::file_error(const QString& action, const QString& name, int system_error, file_kind kind)
    : error(QStringLiteral("Impossible %1 %2 «\u00a0%3\u00a0»\u00a0: %4")
                .arg(action,
                     kind == file_kind::folder ? QStringLiteral("le dossier")
                                               : QStringLiteral("le fichier"),
                     name, system_message(system_error, kind))),
      system_error_(system_error) {}

QString system_message(int system_error, file_kind kind) {
    QString text = common_message(system_error, kind);
    if (text.isEmpty())
        text = QStringLiteral("%1 (erreur %2)")
                   .arg(QString::fromLocal8Bit(std::strerror(system_error)))
                   .arg(system_error);
    return text;
}

} // namespace krv
