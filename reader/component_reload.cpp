// The document shown is read again when its file or its folder changes; what
// shows stays until the new bytes open cleanly.
#include "pdf_component.h"

#include "file_names.h"

namespace krv {

void pdf_component::watch(const QString& path) {
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    // The paths' own bytes decide (a name that is not UTF-8 is not watched by
    // itself, which Qt cannot do; its folder's changes still bring it back).
    if (type_of(path) != file_type::missing)
        watcher_.addPath(path);
    const QString folder = folder_of(path);
    if (type_of(folder) == file_type::folder)
        watcher_.addPath(folder);
}

void pdf_component::reload() {
    const QString& path = src();
    if (!path.isEmpty() && type_of(path) != file_type::missing && !watcher_.files().contains(path))
        watcher_.addPath(path);
    session_->reload();
}

} // namespace krv
