#include "errors.h"

#include <cstring>

namespace krv {

error::error(const QString& description)
    : std::runtime_error(description.toStdString()), description_(description) {}

overflow_error::overflow_error() : error(QStringLiteral("Dépassement de capacité")) {}

bad_record_number_error::bad_record_number_error(qint64 number)
    : error(QStringLiteral("Numéro d'enregistrement incorrect (%1)").arg(number)) {}

file_error::file_error(const QString& action, const QString& file_name, int system_error)
    : error(QStringLiteral("Impossible %1 le fichier « %2 » : %3")
                .arg(action, file_name, system_message(system_error))),
      system_error_(system_error) {}

QString system_message(int system_error) {
    return QString::fromLocal8Bit(std::strerror(system_error));
}

} // namespace krv
