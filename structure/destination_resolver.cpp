#include "destination_resolver.h"

#include "page_index.h"

#include "pdf_objects.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>

#include <array>
#include <string_view>
#include <utility>

namespace krv {

namespace {

std::optional<double> number_at(QPDFObjectHandle array, int index) {
    if (index >= array.getArrayNItems()) {
        return std::nullopt;
    }
    auto item = array.getArrayItem(index);
    if (!item.isNumber()) {
        return std::nullopt; // null = "unchanged"
    }
    return item.getNumericValue();
}

std::optional<destination_kind> kind_of(QPDFObjectHandle array) {
    if (array.getArrayNItems() < 2) {
        return destination_kind::fit; // lenient: a bare page reference
    }
    auto type = array.getArrayItem(1);
    if (!type.isName()) {
        return std::nullopt;
    }
    static constexpr std::array<std::pair<std::string_view, destination_kind>, 8> kinds{{
        {"/XYZ", destination_kind::xyz},
        {"/Fit", destination_kind::fit},
        {"/FitH", destination_kind::fit_h},
        {"/FitV", destination_kind::fit_v},
        {"/FitR", destination_kind::fit_r},
        {"/FitB", destination_kind::fit_b},
        {"/FitBH", destination_kind::fit_bh},
        {"/FitBV", destination_kind::fit_bv},
    }};
    const std::string name = type.getName();
    for (const auto& [text, kind] : kinds) {
        if (name == text) {
            return kind;
        }
    }
    return std::nullopt;
}

void read_parameters(QPDFObjectHandle array, destination& target) {
    switch (target.kind) {
    case destination_kind::xyz:
        target.left = number_at(array, 2);
        target.top = number_at(array, 3);
        target.zoom = number_at(array, 4);
        break;
    case destination_kind::fit_h:
    case destination_kind::fit_bh:
        target.top = number_at(array, 2);
        break;
    case destination_kind::fit_v:
    case destination_kind::fit_bv:
        target.left = number_at(array, 2);
        break;
    case destination_kind::fit_r:
        target.left = number_at(array, 2);
        target.bottom = number_at(array, 3);
        target.right = number_at(array, 4);
        target.top = number_at(array, 5);
        break;
    case destination_kind::fit:
    case destination_kind::fit_b:
        break;
    }
}

// A named destination's value is an array, or a dictionary whose /D is one.
QPDFObjectHandle unwrap_named_value(QPDFObjectHandle value) {
    if (value.isDictionary()) {
        return key_of(value, "/D");
    }
    return value;
}

} // namespace

destination_resolver::destination_resolver(QPDF& pdf, const page_index& pages)
    : pdf_(pdf), pages_(pages) {}

destination_resolver::~destination_resolver() = default;

std::optional<destination> destination_resolver::resolve(QPDFObjectHandle dest) {
    if (dest.isName() || dest.isString()) {
        // Names and strings live in separate caches: /a and (a) may differ.
        const std::string key =
            (dest.isName() ? "n" : "s") + (dest.isName() ? dest.getName() : dest.getStringValue());
        if (auto cached = named_cache_.find(key); cached != named_cache_.end()) {
            return cached->second;
        }
        auto array = unwrap_named_value(look_up_name(dest));
        auto resolved = array.isArray() ? from_array(array) : std::nullopt;
        named_cache_.emplace(key, resolved);
        return resolved;
    }
    if (!dest.isArray()) {
        return std::nullopt;
    }
    return from_array(dest);
}

std::optional<destination> destination_resolver::from_array(QPDFObjectHandle array) const {
    if (array.getArrayNItems() < 1) {
        return std::nullopt;
    }
    auto page = array.getArrayItem(0);
    std::optional<int> index;
    if (page.isInteger()) {
        // Only remote destinations should use numbers, but some producers write
        // them for local ones too; Qt PDF (pdfium) accepts them the same way.
        const long long number = page.getIntValue();
        if (number >= 0 && number < pages_.page_count()) {
            index = static_cast<int>(number);
        }
    } else {
        index = pages_.index_of(page);
    }
    const auto kind = kind_of(array);
    if (!index || !kind) {
        return std::nullopt;
    }
    destination target;
    target.page_index = *index;
    target.kind = *kind;
    read_parameters(array, target);
    return target;
}

QPDFObjectHandle destination_resolver::look_up_name(QPDFObjectHandle name) {
    // qpdf's name tree compares the UTF-8 form of its string keys; the old
    // /Dests dictionary is keyed by the raw bytes of a name.
    const std::string raw = name.isName() ? name.getName().substr(1) : name.getStringValue();
    const std::string utf8 = name.isName() ? raw : name.getUTF8Value();
    auto found = look_up_in_name_tree(utf8);
    if (found.isNull()) {
        found = look_up_in_old_dests(raw);
    }
    return found;
}

QPDFObjectHandle destination_resolver::look_up_in_name_tree(const std::string& key) {
    if (!name_tree_checked_) {
        name_tree_checked_ = true;
        auto tree = key_of(key_of(pdf_.getRoot(), "/Names"), "/Dests");
        if (tree.isDictionary()) {
            // No repair: the reader only reads, repairing would modify the document.
            name_tree_ = std::make_unique<QPDFNameTreeObjectHelper>(tree, pdf_, false);
        }
    }
    QPDFObjectHandle found = QPDFObjectHandle::newNull();
    if (name_tree_) {
        name_tree_->findObject(key, found);
    }
    return found;
}

QPDFObjectHandle destination_resolver::look_up_in_old_dests(const std::string& key) {
    auto dests = key_of(pdf_.getRoot(), "/Dests");
    if (!dests.isDictionary()) {
        return QPDFObjectHandle::newNull();
    }
    return dests.getKey("/" + key);
}

} // namespace krv
