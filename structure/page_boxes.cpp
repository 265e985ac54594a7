#include "page_boxes.h"

#include "qpdf_guard.h"
#include "structure_document.h"

#include <utility>

namespace krv {

page_boxes::page_boxes(QByteArray bytes, std::string password)
    : bytes_(std::move(bytes)), password_(std::move(password)) {}

page_boxes::~page_boxes() = default;

std::optional<page_geometry> page_boxes::of(int page) {
    if (!std::exchange(opened_, true)) {
        auto opened = open_structure(std::exchange(bytes_, {}), password_);
        if (opened)
            document_ = std::move(opened.value());
    }
    if (!document_)
        return std::nullopt;
    auto read = guarded([&]() -> std::optional<page_geometry> {
        const page_index& pages = document_->pages();
        if (page < 0 || page >= pages.page_count())
            return std::nullopt;
        return read_page_geometry(pages.page(page));
    });
    document_->drop_warnings();
    return read ? read.value() : std::nullopt;
}

} // namespace krv
