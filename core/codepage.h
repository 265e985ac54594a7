// Windows-1252, the single-byte code page of the host's exchange file, and the
// fixed-width text fields stored in it.
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>

namespace krv {

namespace detail {
// Bytes 0x80 to 0x9F; the five bytes the code page leaves undefined map to the
// control character of the same number, as Windows itself converts them.
inline constexpr std::array<char16_t, 32> cp1252_high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
inline constexpr std::array<char16_t, 256> cp1252_table = [] {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = (b >= 0x80 && b < 0xA0) ? cp1252_high[b - 0x80] : static_cast<char16_t>(b);
    return table;
}();
} // namespace detail

/// The character a Windows-1252 byte stands for.
inline char16_t cp1252_to_char(std::uint8_t byte) {
    return detail::cp1252_table[byte];
}

/// The Windows-1252 byte of a character; '?' for a character the code page lacks.
std::uint8_t char_to_cp1252(char16_t c);

/// A text of exactly N characters, as a record field holds it in memory.
template <std::size_t N> struct fixed_text {
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
        // Plain ASCII is the rule: widen it in one pass the compiler vectorises,
        // which a search through 32766 records needs.
        std::uint8_t high = 0;
        for (std::size_t i = 0; i < N; ++i)
            high |= bytes[i];
        if (high < 0x80) {
            for (std::size_t i = 0; i < N; ++i)
                chars[i] = bytes[i];
        } else {
            for (std::size_t i = 0; i < N; ++i)
                chars[i] = cp1252_to_char(bytes[i]);
        }
    }
    void encode(std::uint8_t* bytes) const {
        for (std::size_t i = 0; i < N; ++i)
            bytes[i] = char_to_cp1252(chars[i]);
    }
    bool operator==(const fixed_text&) const = default;
};

} // namespace krv
