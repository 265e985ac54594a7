#include "page_tree_check.h"

#include "outcome.h"
#include "pdf_objects.h"
#include "raw_objects.h"

#include <qpdf/QPDF.hh>

#include <unordered_set>

namespace krv {

namespace {

enum class role { node, page, dropped };

// An object read by qpdf: what a flat tree makes of it, and whether both of
// pdfium's readings agree with that (`strict`).
role role_of(QPDFObjectHandle object, bool& strict) {
    strict = false;
    if (!object.isDictionary() || object.isStream())
        return role::dropped;
    auto type = object.getKey("/Type");
    const bool pages_type = type.isName() && type.getName() == "/Pages";
    if (object.getKey("/Kids").isArray()) {
        strict = type.isNull() || pages_type;
        return role::node;
    }
    if (pages_type)
        return role::dropped;
    strict = !object.hasKey("/Kids");
    return role::page;
}

} // namespace

page_tree walk_page_tree(QPDF& pdf, raw_objects& raw, const std::atomic<bool>& cancelled,
                         const page_tree_limits& limits) {
    page_tree tree;
    auto root = key_of(pdf.getRoot(), "/Pages");
    struct pending {
        QPDFObjectHandle object;
        int depth;
        int parent;
    };
    std::vector<pending> stack{{root, 0, -1}};
    std::unordered_set<std::uint64_t> seen;
    while (!stack.empty()) {
        if (cancelled.load(std::memory_order_relaxed))
            throw cancelled_error();
        auto [object, depth, parent] = std::move(stack.back());
        stack.pop_back();
        auto kind = raw_objects::kind::unknown;
        if (!object.isIndirect()) {
            tree.sound = false; // a kid written in place, which readers take differently
        } else if (!seen.insert(object_key(object.getObjGen())).second) {
            tree.sound = false; // a loop, or a node or page listed twice
            continue;
        } else {
            kind = raw.kind_of(object.getObjGen());
        }
        if (depth > limits.max_depth || kind == raw_objects::kind::inconsistent)
            tree.sound = false;
        bool strict = true;
        const role r = kind == raw_objects::kind::plain_page ? role::page : role_of(object, strict);
        tree.sound = tree.sound && strict;
        if (r == role::page) {
            if (tree.pages.size() >= limits.max_pages)
                throw limit_error("too many pages");
            tree.pages.push_back({object, parent});
        } else if (r == role::node) {
            if (tree.nodes.size() >= limits.max_nodes)
                throw limit_error("too many page tree nodes");
            const int index = static_cast<int>(tree.nodes.size());
            tree.nodes.push_back({object, parent});
            auto kids = object.getKey("/Kids");
            for (int i = kids.getArrayNItems() - 1; i >= 0; --i) // reversed: pages come in order
                stack.push_back({kids.getArrayItem(i), depth + 1, index});
        }
    }
    auto count = key_of(root, "/Count");
    if (!count.isInteger() || count.getIntValue() != static_cast<long long>(tree.pages.size()))
        tree.sound = false;
    return tree;
}

void flatten_page_tree(QPDF& pdf, const page_tree& tree, const page_tree_limits& limits) {
    auto root = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    auto kids = QPDFObjectHandle::newArray();
    for (const auto& entry : tree.pages) {
        auto page = entry.object;
        if (!page.isDictionary() || page.isStream())
            continue;
        if (!page.isIndirect())
            page = pdf.makeIndirectObject(page.shallowCopy());
        // What a page inherits from the nodes above it, from the nearest one.
        for (const char* key : {"/Resources", "/MediaBox", "/CropBox", "/Rotate"}) {
            int node = entry.parent;
            for (int up = 0; !page.hasKey(key) && node >= 0 && up <= limits.max_depth; ++up) {
                const auto& above = tree.nodes[static_cast<std::size_t>(node)];
                auto value = key_of(above.object, key);
                if (!value.isNull())
                    page.replaceKey(key, value.isIndirect() ? value : value.shallowCopy());
                node = above.parent;
            }
        }
        page.removeKey("/Kids");
        page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        page.replaceKey("/Parent", root);
        kids.appendItem(page);
    }
    root.replaceKey("/Type", QPDFObjectHandle::newName("/Pages"));
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(kids.getArrayNItems()));
    root.replaceKey("/Kids", kids);
    pdf.getRoot().replaceKey("/Pages", root);
}

} // namespace krv
