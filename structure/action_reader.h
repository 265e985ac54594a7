// What a click on a link or an outline entry would do. Each kind is named, so
// that the reader follows what is safe and refuses the rest with a reason.
#pragma once

#include "structure_types.h"

#include <qpdf/QPDFObjectHandle.hh>

namespace krv {

class destination_resolver;

/// `holder` is a /Link annotation or an outline item. /Dest wins over /A (the
/// format forbids both). May throw: call under guarded().
link_action read_action(QPDFObjectHandle holder, destination_resolver& resolver);

} // namespace krv
