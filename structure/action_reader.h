// What a click on a link or an outline entry would do. Each kind is named, so
// that the reader follows what is safe and refuses the rest with a reason.
#pragma once

#include "structure_types.h"

#include <qpdf/QPDFObjectHandle.hh>

namespace krv {

class destination_resolver;

/// An action as read: what the reader keeps, and the destination as written, from
/// which the place to show is worked out and links are rebuilt in page copies.
struct written_action {
    link_action action;
    std::optional<destination> target; ///< go_to
};

/// `holder` is a /Link annotation or an outline item. /Dest wins over /A (the
/// format forbids both). May throw: call under guarded().
written_action read_action(QPDFObjectHandle holder, destination_resolver& resolver);

} // namespace krv
