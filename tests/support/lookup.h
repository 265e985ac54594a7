// A lookup of the exchange file seen from a test: its value or which of the
// program's errors it ended in. Header-only; the test links krv_intlog.
#pragma once

#include "errors.h"
#include "inter_logg.h"

#include <QMetaType>
#include <QString>

namespace krv::samples {

enum class outcome { value, overflow, bad_record, other_error };

struct lookup_result {
    outcome kind = outcome::value;
    QString value; ///< the value, or the error's French text
};

inline lookup_result lookup(const QString& key) {
    try {
        return {outcome::value, inter_logg::lit_intlog(key)};
    } catch (const overflow_error&) {
        return {outcome::overflow, {}};
    } catch (const bad_record_number_error&) {
        return {outcome::bad_record, {}};
    } catch (const error& e) {
        return {outcome::other_error, e.description()};
    }
}

/// A value as the 40-character field returns it.
inline QString padded(const QString& value, int width = 40) {
    return value.leftJustified(width, u' ', true);
}

} // namespace krv::samples

Q_DECLARE_METATYPE(krv::samples::outcome)
