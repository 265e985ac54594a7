// Every page's size, read in the background.
#pragma once

#include "pdf_thread.h"

#include <QSizeF>

#include <functional>
#include <vector>

namespace krv {

/// Reads the size of each of a document's pages on its pdf thread, a few
/// milliseconds at a time so that pictures go first; `done` gets them on the GUI
/// thread. Nothing of what the reading kept stays.
void read_page_sizes(const pdf_document& document, std::function<void(std::vector<QSizeF>)> done);

} // namespace krv
