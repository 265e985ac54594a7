#include "page_text_reading.h"

#include "structure_loading.h"

#include <QPdfDocument>
#include <QPdfSelection>

namespace krv {

page_text_reader::page_text_reader(QByteArray bytes, QString password, QSizeF page_size,
                                   int pages_per_document)
    : bytes_(std::move(bytes)), password_(std::move(password)), page_size_(page_size),
      pages_per_document_(pages_per_document) {}

page_text_reader::~page_text_reader() = default;

void page_text_reader::let_go() {
    boxes_.reset();
    reading_.reset();
    buffer_.reset();
}

std::optional<read_page> page_text_reader::read(int page, QPdfDocument* fallback) {
    QPdfDocument* document = reading_document(fallback);
    if (!document)
        return std::nullopt;
    const QPdfSelection all = document->getAllText(page);
    read_page result;
    result.frame = frame_of(all.bounds(), page_size_, [&] {
        if (!std::exchange(boxes_asked_, true))
            if (structure_library* structure = structure_module())
                if (auto opened = structure->open(bytes_, password_.toStdString()))
                    boxes_ = std::move(opened.value());
        const std::optional<page_geometry> geometry =
            boxes_ ? boxes_->page_geometry_of(page) : std::nullopt;
        if (geometry)
            page_size_ = QSizeF(geometry->view_width, geometry->view_height);
        return geometry;
    });
    // Qt PDF 6.4 counts a page's characters right but gives its text modulo
    // 65,536 of them, and none beyond by any index: such a page is read in part.
    result.cut = all.endIndex() - all.text().size() >= 32768;
    result.raw = all.text();
    return result;
}

QPdfDocument* page_text_reader::reading_document(QPdfDocument* fallback) {
    if (bytes_.isEmpty() || cannot_reopen_)
        return fallback;
    if (read_in_document_ >= pages_per_document_) {
        reading_.reset(); // what it kept of the pages read goes with it
        buffer_.reset();
    }
    if (!reading_) {
        buffer_ = std::make_unique<QBuffer>();
        buffer_->setData(bytes_);
        buffer_->open(QIODevice::ReadOnly);
        reading_ = std::make_unique<QPdfDocument>();
        reading_->setPassword(password_);
        reading_->load(buffer_.get());
        read_in_document_ = 0;
        if (reading_->status() != QPdfDocument::Status::Ready) {
            reading_.reset();
            buffer_.reset();
            cannot_reopen_ = true;
            return fallback;
        }
    }
    ++read_in_document_;
    return reading_.get();
}

} // namespace krv
