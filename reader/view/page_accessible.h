// What screen readers and magnifiers find in the pages: the page being read as a
// document whose text can be read, reviewed and followed character by character
// on screen, with the reader's selection.
#pragma once

namespace krv {

/// Gives the page views (the reader's and the preview's) their accessible
/// interface; call once the application exists.
void install_page_accessibility();

} // namespace krv
