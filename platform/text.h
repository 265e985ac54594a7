// Small text rules shared by the program's modules.
#pragma once

#include <QString>

namespace krv {

/// The text without its leading and trailing spaces (spaces only: not tabs or
/// other white space, which the host may store on purpose).
QString trim_spaces(const QString& text);

} // namespace krv
