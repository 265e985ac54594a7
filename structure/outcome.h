// A value or a failure, so that no qpdf exception leaves the structure layer
// (std::expected is C++23; the program is C++20).
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace krv {

enum class failure_kind {
    password_required, ///< encrypted, and the password given (maybe empty) does not open it
    damaged,           ///< qpdf could not make sense of the file, even with recovery
    unsupported,       ///< a protection (or another feature) qpdf does not know
    limit_exceeded,    ///< a safety bound was hit (memory, depth, count)
    internal,          ///< anything else thrown
};

/// Thrown inside the layer when a safety bound is hit (guarded() makes it
/// failure_kind::limit_exceeded), or when the work was called off.
struct limit_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct cancelled_error : std::runtime_error {
    cancelled_error() : std::runtime_error("cancelled") {}
};

struct failure {
    failure_kind kind = failure_kind::internal;
    std::string message; ///< English, for diagnostics: never shown to the user as is
};

template <typename value_type> class outcome {
public:
    outcome(value_type value) : state_(std::move(value)) {}
    outcome(failure error) : state_(std::move(error)) {}

    [[nodiscard]] bool ok() const { return std::holds_alternative<value_type>(state_); }
    explicit operator bool() const { return ok(); }

    value_type& value() { return std::get<value_type>(state_); }
    const value_type& value() const { return std::get<value_type>(state_); }
    value_type* operator->() { return &value(); }
    const value_type* operator->() const { return &value(); }
    const failure& error() const { return std::get<failure>(state_); }

private:
    std::variant<value_type, failure> state_;
};

} // namespace krv
