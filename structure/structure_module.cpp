// The qpdf side of structure_library.h, built as the module the program loads at
// run time (and linked in whole by the tests).
#include "structure_library.h"

#include "form_appearance.h"
#include "link_reader.h"
#include "page_boxes.h"
#include "page_extraction.h"
#include "qpdf_guard.h"
#include "structure_document.h"

namespace krv {

namespace {

class qpdf_session final : public structure_session {
public:
    explicit qpdf_session(std::unique_ptr<structure_document> document)
        : document_(std::move(document)) {}

    const QByteArray& bytes() const override { return document_->bytes(); }

    outcome<std::optional<QByteArray>> merge_form_appearances() override {
        links_.reset(); // it points into the document that the merge changes
        return krv::merge_form_appearances(*document_);
    }

    outcome<outline_tree> read_outline(outline_limits limits) override {
        return krv::read_outline(*document_, std::move(limits));
    }

    outcome<page_annotations> annotations_of(int page) override {
        return links().annotations_of(page);
    }
    outcome<link_action> outline_action(object_id item) override {
        return links().outline_action(item);
    }
    outcome<std::optional<jump_target>> named_destination(const std::string& name) override {
        return links().named_destination(name);
    }
    std::size_t annotations_read() const override {
        return links_ ? links_->annotations_read() : 0;
    }

    std::optional<page_geometry> page_geometry_of(int page) override {
        auto read = guarded([&]() -> std::optional<page_geometry> {
            const page_index& pages = document_->pages();
            if (page < 0 || page >= pages.page_count())
                return std::nullopt;
            return read_page_geometry(pages.page(page));
        });
        document_->drop_warnings();
        return read ? read.value() : std::nullopt;
    }

    outcome<QByteArray> extract_pages(const std::vector<int>& pages) override {
        return krv::extract_pages(*document_, pages);
    }

private:
    link_reader& links() {
        if (!links_)
            links_ = std::make_unique<link_reader>(*document_);
        return *links_;
    }

    // links_ refers to the document: declared after it, destroyed before it.
    std::unique_ptr<structure_document> document_;
    std::unique_ptr<link_reader> links_;
};

class qpdf_library final : public structure_library {
public:
    outcome<renderable_document> renderable_copy(const QByteArray& bytes,
                                                 const std::string& password, rewrite_policy policy,
                                                 const std::atomic<bool>& cancelled) override {
        return krv::renderable_copy(bytes, password, policy, cancelled);
    }

    outcome<std::unique_ptr<structure_session>> open(QByteArray bytes,
                                                     const std::string& password) override {
        auto opened = open_structure(std::move(bytes), password);
        if (!opened)
            return opened.error();
        return std::unique_ptr<structure_session>(
            std::make_unique<qpdf_session>(std::move(opened.value())));
    }
};

} // namespace

} // namespace krv

extern "C" __attribute__((visibility("default"))) krv::structure_library* krv_structure_library() {
    static krv::qpdf_library library;
    return &library;
}
