// The program's failures: one small hierarchy of exceptions, each carrying the
// French text that a message box shows to the user.
#pragma once

#include <QString>
#include <stdexcept>

namespace krv {

/// Base of every failure the program raises itself; description() is French.
class error : public std::runtime_error {
public:
    explicit error(const QString& description);
    const QString& description() const { return description_; }

private:
    QString description_;
};

/// Signed 16- or 32-bit arithmetic that would wrap round.
class overflow_error : public error {
public:
    overflow_error();
};

/// A record number below 1 given to the record file.
class bad_record_number_error : public error {
public:
    explicit bad_record_number_error(qint64 number);
};

/// What a file operation worked on: the message names it.
enum class file_kind {
    file,   ///< "le fichier"
    folder, ///< "le dossier"
};

/// The file system refused an operation; carries the system's error, in French.
class file_error : public error {
public:
    /// "Impossible <action> le fichier « <name> » : <reason>", `action` being e.g. "d'ouvrir".
    file_error(const QString& action, const QString& name, int system_error,
               file_kind kind = file_kind::file);
    int system_error() const { return system_error_; }

private:
    int system_error_;
};

/// French text of a system error number; the system's own text only for the
/// rare numbers the program does not word itself.
QString system_message(int system_error, file_kind kind = file_kind::file);

} // namespace krv
