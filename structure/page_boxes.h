// The crop box and turn of single pages of a document the reader holds, read
// with qpdf a page at a time: Qt PDF gives a page's text boxes in the file's own
// space, which lines up with the page as shown only when the page is not turned
// and its crop box starts at the origin.
#pragma once

#include "page_geometry.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <string>

class QPDFObjectHandle;

namespace krv {

class structure_document;

/// Reads /MediaBox, /CropBox and /Rotate, inherited values included. May throw
/// (lazy parsing): call under guarded().
page_geometry read_page_geometry(QPDFObjectHandle page);

class page_boxes {
public:
    /// The document is opened at the first question, not before.
    page_boxes(QByteArray bytes, std::string password);
    ~page_boxes();
    page_boxes(const page_boxes&) = delete;
    page_boxes& operator=(const page_boxes&) = delete;

    /// A page's crop box and turn; nothing when the file or the page cannot be read.
    std::optional<page_geometry> of(int page);

private:
    QByteArray bytes_;
    std::string password_;
    bool opened_ = false;
    std::unique_ptr<structure_document> document_;
};

} // namespace krv
