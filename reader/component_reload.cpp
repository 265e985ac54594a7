// The document shown is read again when its file or its folder changes; what
// shows stays until the new bytes open cleanly.
#include "pdf_component.h"

#include "file_names.h"

#include <QPointer>

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
    if (src_.isEmpty() || !waiting_.isEmpty())
        return;
    if (type_of(src_) != file_type::missing && !watcher_.files().contains(src_))
        watcher_.addPath(src_);
    // Read and opened on the pdf thread; bytes equal to those shown open nothing.
    QPointer<pdf_component> self(this);
    pdf_->open_file(
        src_, shown_password_,
        [self](opened_document result) {
            // Caught half-written or gone: what shows stays until it opens cleanly.
            if (self && result.document && result.path == self->src_ && self->shown_)
                self->show_document(std::move(result), true);
        },
        shown_bytes_);
}

} // namespace krv
