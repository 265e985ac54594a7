// What the structure layer throws inside itself, besides qpdf's own errors:
// guarded() turns them into failures, so that no exception leaves the layer.
#pragma once

#include "failure.h"

#include <stdexcept>

namespace krv {

/// Thrown inside the layer when a safety bound is hit (guarded() makes it
/// failure_kind::limit_exceeded), or when the work was called off.
struct limit_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct cancelled_error : std::runtime_error {
    cancelled_error() : std::runtime_error("cancelled") {}
};

} // namespace krv
