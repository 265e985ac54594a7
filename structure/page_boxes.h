// The crop box and turn of a page, read with qpdf: Qt PDF gives a page's text
// boxes in the file's own space, which lines up with the page as shown only when
// the page is not turned and its crop box starts at the origin.
#pragma once

#include "page_geometry.h"

class QPDFObjectHandle;

namespace krv {

/// Reads /MediaBox, /CropBox and /Rotate, inherited values included. May throw
/// (lazy parsing): call under guarded().
page_geometry read_page_geometry(QPDFObjectHandle page);

} // namespace krv
