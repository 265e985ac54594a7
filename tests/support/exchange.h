// Exchange files as the host writes them, encoded here byte by byte and apart
// from the program's own record code, so that tests check it against the format.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace krv::samples {

/// One 128-byte record: a 15-character key, 8 spaces, a 40-character value,
/// 61 spaces (Windows-1252, cut or filled with spaces), then `count` in 4
/// little-endian bytes.
QByteArray record_bytes(const QString& key, const QString& value, std::int32_t count);

/// One entry of an exchange file.
struct entry {
    QString key;
    QString value;
};

/// The bytes of an exchange file: a valid header counting `count` entries (by
/// default the number given), then the entries.
QByteArray exchange_file(const std::vector<entry>& entries,
                         std::optional<std::int32_t> count = std::nullopt);

/// Writes bytes to a file, replacing it.
bool write_file(const QString& path, const QByteArray& bytes);

/// The bytes of a file; empty when it cannot be read.
QByteArray read_file(const QString& path);

} // namespace krv::samples
