#include "exchange.h"

#include <QFile>
#include <QStringEncoder>

namespace krv::samples {

namespace {

QByteArray field(const QString& text, int width) {
    QStringEncoder encoder("windows-1252");
    QByteArray bytes = encoder.encode(text);
    bytes.truncate(width);
    return bytes + QByteArray(width - bytes.size(), ' ');
}

} // namespace

QByteArray record_bytes(const QString& key, const QString& value, std::int32_t count) {
    QByteArray record = field(key, 15) + field({}, 8) + field(value, 40) + field({}, 61);
    const auto raw = static_cast<std::uint32_t>(count);
    for (int i = 0; i < 4; ++i)
        record += static_cast<char>(raw >> (8 * i));
    return record;
}

QByteArray exchange_file(const std::vector<entry>& entries, std::optional<std::int32_t> count) {
    QByteArray bytes = record_bytes(QStringLiteral("#INIT#"), {},
                                    count.value_or(static_cast<std::int32_t>(entries.size())));
    for (const entry& e : entries)
        bytes += record_bytes(e.key, e.value, 0);
    return bytes;
}

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray read_file(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace krv::samples
