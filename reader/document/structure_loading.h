// qpdf's part of the program, a module loaded when a document is first opened
// (on the pdf thread, during the viewer's wait), never before the windows show.
#pragma once

#include "structure_library.h"

#include <QString>

namespace krv {

/// Loads the module on the first call, from any thread; nullptr when it is
/// missing or broken. Found relative to the program's own file, never through
/// the current folder or the environment.
structure_library* structure_module();

/// Said instead of a document when the module could not be loaded.
failure structure_missing();

} // namespace krv
