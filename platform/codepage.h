// Windows-1252, the single-byte code page of the host's exchange file, and the
// fixed-width text fields stored in it.
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>

namespace krv {

/// The character a Windows-1252 byte stands for.
char16_t cp1252_to_char(std::uint8_t byte);

/// The Windows-1252 byte of a character; '?' for a character the code page lacks.
std::uint8_t char_to_cp1252(char16_t c);

/// A text of exactly N characters, as a record field holds it in memory.
template <std::size_t N>
struct fixed_text {
    std::array<char16_t, N> chars{};

    /// Stores text left-aligned, filled out with spaces, cut to N characters.
    void assign(QStringView text) {
        const std::size_t kept = std::min<std::size_t>(N, static_cast<std::size_t>(text.size()));
        for (std::size_t i = 0; i < kept; ++i)
            chars[i] = text[static_cast<qsizetype>(i)].unicode();
        for (std::size_t i = kept; i < N; ++i)
            chars[i] = u' ';
    }
    /// All N characters, trailing spaces and NULs included.
    QString text() const {
        return QString(reinterpret_cast<const QChar*>(chars.data()), static_cast<qsizetype>(N));
    }
    QStringView view() const { return QStringView(chars.data(), static_cast<qsizetype>(N)); }

    void decode(const std::uint8_t* bytes) {
        for (std::size_t i = 0; i < N; ++i)
            chars[i] = cp1252_to_char(bytes[i]);
    }
    void encode(std::uint8_t* bytes) const {
        for (std::size_t i = 0; i < N; ++i)
            bytes[i] = char_to_cp1252(chars[i]);
    }
    bool operator==(const fixed_text&) const = default;
};

} // namespace krv
