#include "page_extraction.h"

#include "action_reader.h"
#include "byte_array_pipeline.h"
#include "destination_resolver.h"
#include "pdf_objects.h"
#include "qpdf_guard.h"
#include "structure_document.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace krv {

namespace {

// Copies a *direct* value into `target`: containers are rebuilt, indirect
// objects inside go through copyForeignObject(). Direct objects form a tree,
// so the recursion is bounded by their nesting, capped here anyway.
QPDFObjectHandle copy_value(QPDF& target, QPDFObjectHandle value, int depth = 0) {
    if (value.isIndirect()) {
        return target.copyForeignObject(value);
    }
    if (depth > 32) {
        return QPDFObjectHandle::newNull();
    }
    if (value.isArray()) {
        auto copy = QPDFObjectHandle::newArray();
        for (int i = 0; i < value.getArrayNItems(); ++i) {
            copy.appendItem(copy_value(target, value.getArrayItem(i), depth + 1));
        }
        return copy;
    }
    if (value.isDictionary() && !value.isStream()) {
        auto copy = QPDFObjectHandle::newDictionary();
        for (const auto& key : value.getKeys()) {
            copy.replaceKey(key, copy_value(target, value.getKey(key), depth + 1));
        }
        return copy;
    }
    return value.shallowCopy(); // scalars
}

// A dictionary rebuilt in `target` from the keys of `source`, minus `skipped`.
QPDFObjectHandle copy_dictionary(QPDF& target, QPDFObjectHandle source,
                                 std::initializer_list<const char*> skipped) {
    auto copy = QPDFObjectHandle::newDictionary();
    for (const auto& key : source.getKeys()) {
        if (std::find(skipped.begin(), skipped.end(), key) == skipped.end()) {
            copy.replaceKey(key, copy_value(target, source.getKey(key)));
        }
    }
    return copy;
}

// The page rebuilt in `target`: inherited attributes written into it, no
// /Parent, no /Annots (copy_annotations() does those). Why not
// QPDFPageDocumentHelper::addPage() with the source page: it pushes inherited
// attributes down on *every* source page, and copyForeignObject() of a page
// resolves every page its links point to (to stop at page boundaries); and
// QPDF::makeIndirectObject() on the source (to copy a modified page) makes
// qpdf 11.3 resolve every object of the file once (fixDanglingReferences).
// With object streams each of those costs ~2 s and ~330 MB on a 1,300-page
// manual, for a 60-page copy that needs well under 0.1 s this way.
QPDFObjectHandle rebuilt_page(QPDF& target, QPDFObjectHandle page) {
    auto copy = copy_dictionary(target, page, {"/Parent", "/Annots"});
    QPDFPageObjectHelper helper(page);
    for (const char* key : {"/Resources", "/MediaBox", "/CropBox", "/Rotate"}) {
        if (!copy.hasKey(key)) {
            auto inherited = helper.getAttribute(key, false);
            if (!inherited.isNull()) {
                copy.replaceKey(key, copy_value(target, inherited));
            }
        }
    }
    return target.makeIndirectObject(copy);
}

QPDFObjectHandle optional_number(std::optional<double> value) {
    return value ? QPDFObjectHandle::newReal(*value, 3, true) : QPDFObjectHandle::newNull();
}

QPDFObjectHandle destination_array(const destination& target, QPDFObjectHandle page) {
    auto array = QPDFObjectHandle::newArray({page});
    auto add = [&](const char* kind, std::initializer_list<std::optional<double>> numbers) {
        array.appendItem(QPDFObjectHandle::newName(kind));
        for (auto number : numbers)
            array.appendItem(optional_number(number));
    };
    switch (target.kind) {
    case destination_kind::xyz:
        add("/XYZ", {target.left, target.top, target.zoom});
        break;
    case destination_kind::fit:
        add("/Fit", {});
        break;
    case destination_kind::fit_h:
        add("/FitH", {target.top});
        break;
    case destination_kind::fit_v:
        add("/FitV", {target.left});
        break;
    case destination_kind::fit_r:
        add("/FitR", {target.left, target.bottom, target.right, target.top});
        break;
    case destination_kind::fit_b:
        add("/FitB", {});
        break;
    case destination_kind::fit_bh:
        add("/FitBH", {target.top});
        break;
    case destination_kind::fit_bv:
        add("/FitBV", {target.left});
        break;
    }
    return array;
}

// An internal link rebuilt in the target: same rectangle, explicit
// destination to the copied page (names are meaningless there: the name tree
// is not copied). Nothing of the source annotation is copied, so no other
// source page gets resolved.
QPDFObjectHandle rebuilt_link(QPDFObjectHandle source_link, const destination& target,
                              QPDFObjectHandle page) {
    auto link = QPDFObjectHandle::newDictionary({{"/Type", QPDFObjectHandle::newName("/Annot")},
                                                 {"/Subtype", QPDFObjectHandle::newName("/Link")},
                                                 {"/Border", "[0 0 0]"_qpdf},
                                                 {"/Dest", destination_array(target, page)}});
    const auto r = key_of(source_link, "/Rect").getArrayAsRectangle();
    link.replaceKey("/Rect", QPDFObjectHandle::newArray(r));
    return link;
}

struct copy_context {
    QPDF& target;
    destination_resolver& resolver;
    std::unordered_map<int, int> output_index_of; // source page index -> first copy in the output
};

// Links: internal ones rebuilt (or dropped when their page is not copied),
// others (URI, Launch ...) copied. Other annotations (notes, widgets with
// their appearance) copied too, without /P (set to the new page) and /Popup
// (a pop-up's /Parent would lead back here; not needed to show or print).
void copy_annotations(copy_context& context, QPDFObjectHandle source_page,
                      QPDFObjectHandle target_page) {
    auto annotations = key_of(source_page, "/Annots");
    if (!annotations.isArray()) {
        return;
    }
    const auto& output_pages = context.target.getAllPages();
    auto copied = QPDFObjectHandle::newArray();
    for (int n = 0; n < annotations.getArrayNItems(); ++n) {
        auto annotation = annotations.getArrayItem(n);
        if (!annotation.isDictionary()) {
            continue;
        }
        if (has_subtype(annotation, "/Link") && key_of(annotation, "/Rect").isRectangle()) {
            const written_action written = read_action(annotation, context.resolver);
            if (written.action.kind == action_kind::go_to) {
                const auto found = context.output_index_of.find(written.target->page_index);
                if (found != context.output_index_of.end()) {
                    copied.appendItem(context.target.makeIndirectObject(
                        rebuilt_link(annotation, *written.target,
                                     output_pages.at(static_cast<std::size_t>(found->second)))));
                }
                continue; // target page not copied: a dead click, leave it out
            }
            if (written.action.kind == action_kind::go_to_broken) {
                continue;
            }
        }
        auto own = copy_dictionary(context.target, annotation, {"/P", "/Popup"});
        own.replaceKey("/P", target_page);
        copied.appendItem(context.target.makeIndirectObject(own));
    }
    target_page.replaceKey("/Annots", copied);
}

void copy_pages(structure_document& source, const std::vector<int>& page_indices, QPDF& target) {
    destination_resolver resolver(source.pdf(), source.pages());
    copy_context context{target, resolver, {}};
    for (std::size_t i = 0; i < page_indices.size(); ++i) {
        context.output_index_of.emplace(page_indices[i], static_cast<int>(i));
    }
    QPDFPageDocumentHelper target_pages(target);
    // All pages first, so that links can point to pages copied after them.
    for (int index : page_indices) {
        target_pages.addPage(QPDFPageObjectHelper(rebuilt_page(target, source.pages().page(index))),
                             false);
    }
    const auto& output_pages = target.getAllPages();
    for (std::size_t i = 0; i < page_indices.size(); ++i) {
        copy_annotations(context, source.pages().page(page_indices[i]), output_pages.at(i));
    }
}

QByteArray write_to_memory(QPDF& pdf, const extraction_options& options) {
    QByteArray output;
    byte_array_pipeline sink(output);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&sink);
    writer.setDeterministicID(options.deterministic_id);
    writer.write();
    return output;
}

} // namespace

outcome<QByteArray> extract_pages(structure_document& source, const std::vector<int>& page_indices,
                                  extraction_options options) {
    auto result = guarded([&] {
        const auto& pages = source.pages();
        for (int index : page_indices) {
            if (index < 0 || index >= pages.page_count()) {
                throw std::out_of_range("page index out of range");
            }
        }
        QPDF target;
        make_quiet(target);
        target.emptyPDF();
        copy_pages(source, page_indices, target);
        return write_to_memory(target, options);
    });
    source.drop_warnings();
    return result;
}

} // namespace krv
