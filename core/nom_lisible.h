// The readable title under which the document list shows a file name.
#pragma once

#include <QString>

namespace krv {

/// "doc_installation.pdf" gives "Doc installation": everything from the first
/// ".pdf" (any case) is dropped, underscores become spaces, and the first
/// character is put in upper case. A name starting with ".pdf" gives "".
QString nom_lisible(const QString& name);

} // namespace krv
