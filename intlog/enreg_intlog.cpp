#include "enreg_intlog.h"

namespace krv {

void enreg_intlog::from_bytes(const bytes& raw) {
    const std::uint8_t* p = raw.data();
    cle.decode(p);
    zone8.decode(p + 15);
    valeur.decode(p + 23);
    zone1.decode(p + 63);
    zone60.decode(p + 64);
    const std::uint32_t count = std::uint32_t(p[124]) | std::uint32_t(p[125]) << 8 |
                                std::uint32_t(p[126]) << 16 | std::uint32_t(p[127]) << 24;
    nombre = static_cast<std::int32_t>(count);
}

enreg_intlog::bytes enreg_intlog::to_bytes() const {
    bytes raw{};
    std::uint8_t* p = raw.data();
    cle.encode(p);
    zone8.encode(p + 15);
    valeur.encode(p + 23);
    zone1.encode(p + 63);
    zone60.encode(p + 64);
    const auto count = static_cast<std::uint32_t>(nombre);
    for (int i = 0; i < 4; ++i)
        p[124 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    return raw;
}

} // namespace krv
