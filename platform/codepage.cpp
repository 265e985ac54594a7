#include "codepage.h"

namespace krv {

namespace {

// Bytes 0x80 to 0x9F; the five bytes the code page leaves undefined map to the
// control character of the same number, as Windows itself converts them.
constexpr std::array<char16_t, 32> high_controls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t cp1252_to_char(std::uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0)
        return high_controls[byte - 0x80];
    return byte;
}

std::uint8_t char_to_cp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<std::uint8_t>(c);
    for (std::size_t i = 0; i < high_controls.size(); ++i)
        if (high_controls[i] == c)
            return static_cast<std::uint8_t>(0x80 + i);
    return '?';
}

} // namespace krv
