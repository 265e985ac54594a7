// A value or a failure, so that no qpdf exception leaves the structure layer
// (std::expected is C++23; the program is C++20).
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace krv {

enum class failure_kind {
    password_required, ///< encrypted, and the password given (maybe empty) does not open it
    damaged,           ///< qpdf could not make sense of the file, even with recovery
    limit_exceeded,    ///< a safety bound was hit (memory, depth, count)
    internal,          ///< anything else thrown
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
