#include "codepage.h"

namespace krv {

std::uint8_t char_to_cp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<std::uint8_t>(c);
    for (std::size_t i = 0; i < detail::cp1252_high.size(); ++i)
        if (detail::cp1252_high[i] == c)
            return static_cast<std::uint8_t>(0x80 + i);
    return '?';
}

} // namespace krv
