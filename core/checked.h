// Signed 16- and 32-bit arithmetic that raises the overflow error instead of
// wrapping round, as the exchange-file lookup expects at its bounds.
#pragma once

#include "errors.h"

#include <cstdint>

namespace krv {

/// a + b in 32 bits; throws overflow_error when the sum does not fit.
inline std::int32_t add_i32(std::int32_t a, std::int32_t b) {
    std::int32_t sum;
    if (__builtin_add_overflow(a, b, &sum))
        throw overflow_error();
    return sum;
}

/// a + b in 16 bits; throws overflow_error when the sum does not fit.
inline std::int16_t add_i16(std::int16_t a, std::int16_t b) {
    std::int16_t sum;
    if (__builtin_add_overflow(a, b, &sum))
        throw overflow_error();
    return sum;
}

/// Narrowing to 16 bits; throws overflow_error outside -32768..32767.
inline std::int16_t to_i16(std::int32_t value) {
    std::int16_t narrow;
    if (__builtin_add_overflow(value, 0, &narrow))
        throw overflow_error();
    return narrow;
}

} // namespace krv
