// One 128-byte record of the exchange file shared with the host application.
#pragma once

#include "codepage.h"

#include <array>
#include <cstdint>

namespace krv {

struct enreg_intlog {
    static constexpr int length = 128;
    using bytes = std::array<std::uint8_t, length>;

    fixed_text<15> cle;      ///< key; "#INIT#..." in the header
    fixed_text<8> zone8;     ///< the host's own
    fixed_text<40> valeur;   ///< value
    fixed_text<1> zone1;     ///< the host's own
    fixed_text<60> zone60;   ///< the host's own
    std::int32_t nombre = 0; ///< header: entry count; entries written here: 0

    /// Converts the record from its bytes on disk (Windows-1252, little-endian count).
    void from_bytes(const bytes& raw);
    /// Converts the record to its bytes on disk.
    bytes to_bytes() const;
};

} // namespace krv
