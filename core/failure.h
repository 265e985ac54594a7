// A failure as it crosses the layers: what kind it is, the French text the user
// reads, and what a library said of it. A function that can fail gives an
// outcome<T> (std::expected is C++23; the program is C++20); exceptions stay
// inside a layer and are turned into failures at its edge.
#pragma once

#include <QString>

#include <string>
#include <utility>
#include <variant>

namespace krv {

enum class failure_kind {
    password_required, ///< encrypted, and the password given (maybe empty) does not open it
    damaged,           ///< not a readable PDF: damaged beyond recovery, or of another type
    unsupported,       ///< a protection (or another feature) that is not known
    limit_exceeded,    ///< a safety bound was hit (memory, depth, count)
    not_found,         ///< no such file
    unreadable,        ///< the file is there but cannot be read whole
    printing,          ///< a print that did not go through
    internal,          ///< anything else
};

struct failure {
    failure_kind kind = failure_kind::internal;
    std::string message; ///< English, for diagnostics: never shown to the user as is
    QString text;        ///< French, what the user reads (failure_texts words it)
};

template <typename value_type> class outcome {
public:
    outcome() = default; ///< a default value: for `done`, success
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

/// What a step that gives nothing back came to.
using done = outcome<std::monostate>;

} // namespace krv
