#include "enreg_intlog.h"

namespace krv {

void enreg_intlog::lit_octets(const octets& bytes) {
    const std::uint8_t* p = bytes.data();
    cle.decode(p);
    zone8.decode(p + 15);
    valeur.decode(p + 23);
    zone1.decode(p + 63);
    zone60.decode(p + 64);
    const std::uint32_t raw = std::uint32_t(p[124]) | std::uint32_t(p[125]) << 8 |
                              std::uint32_t(p[126]) << 16 | std::uint32_t(p[127]) << 24;
    nombre = static_cast<std::int32_t>(raw);
}

enreg_intlog::octets enreg_intlog::en_octets() const {
    octets bytes{};
    std::uint8_t* p = bytes.data();
    cle.encode(p);
    zone8.encode(p + 15);
    valeur.encode(p + 23);
    zone1.encode(p + 63);
    zone60.encode(p + 64);
    const auto raw = static_cast<std::uint32_t>(nombre);
    for (int i = 0; i < 4; ++i)
        p[124 + i] = static_cast<std::uint8_t>(raw >> (8 * i));
    return bytes;
}

} // namespace krv
