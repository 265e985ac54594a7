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

/// The file system refused an operation; carries the system's own message.
class file_error : public error {
public:
    file_error(const QString& action, const QString& file_name, int system_error);
    int system_error() const { return system_error_; }

private:
    int system_error_;
};

/// Text of the system's error number, in the user's language where the system has it.
QString system_message(int system_error);

} // namespace krv
