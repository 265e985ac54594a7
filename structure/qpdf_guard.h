// qpdf reports errors by throwing, and parses objects lazily, so any call that
// touches an object may throw, long after opening. Every entry point of the
// structure layer runs its body through guarded(), so that nothing escapes.
#pragma once

#include "structure_errors.h"

#include <qpdf/QPDFExc.hh>

#include <exception>
#include <new>
#include <type_traits>

namespace krv {

template <typename body_type>
auto guarded(body_type&& body) -> outcome<std::invoke_result_t<body_type>> {
    try {
        return body();
    } catch (const QPDFExc& error) {
        const auto code = error.getErrorCode();
        const auto kind = code == qpdf_e_password      ? failure_kind::password_required
                          : code == qpdf_e_unsupported ? failure_kind::unsupported
                                                       : failure_kind::damaged;
        return failure{kind, error.what(), {}};
    } catch (const limit_error& error) {
        return failure{failure_kind::limit_exceeded, error.what(), {}};
    } catch (const std::bad_alloc&) {
        return failure{failure_kind::limit_exceeded, "out of memory", {}};
    } catch (const std::exception& error) {
        return failure{failure_kind::internal, error.what(), {}};
    } catch (...) {
        return failure{failure_kind::internal, "unknown exception", {}};
    }
}

} // namespace krv
