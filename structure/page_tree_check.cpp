#include "page_tree_check.h"

#include "pdf_objects.h"
#include "raw_objects.h"
#include "structure_errors.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>

#include <algorithm>
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
            tree.pages.push_back({object, parent, strict && object.isIndirect()});
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
    tree.counted =
        count.isInteger() && count.getIntValue() == static_cast<long long>(tree.pages.size());
    return tree;
}

namespace {

// What a page inherits from the nodes above it, from the nearest one.
void inherit(QPDFObjectHandle page, const page_tree& tree, int parent,
             const page_tree_limits& limits) {
    for (const char* key : {"/Resources", "/MediaBox", "/CropBox", "/Rotate"}) {
        int node = parent;
        for (int up = 0; !page.hasKey(key) && node >= 0 && up <= limits.max_depth; ++up) {
            const auto& above = tree.nodes[static_cast<std::size_t>(node)];
            auto value = key_of(above.object, key);
            if (!value.isNull())
                page.replaceKey(key, value.isIndirect() ? value : value.shallowCopy());
            node = above.parent;
        }
    }
}

QByteArray reference(QPDFObjGen id) {
    return QByteArray::number(id.getObj()) + ' ' + QByteArray::number(id.getGen()) + " R";
}

QByteArray object_text(QPDFObjGen id, const QByteArray& body) {
    return '\n' + QByteArray::number(id.getObj()) + ' ' + QByteArray::number(id.getGen()) +
           " obj\n" + body + "\nendobj\n";
}

// A dictionary written out, `replaced` keys given as raw text.
QByteArray dictionary_text(QPDFObjectHandle dictionary,
                           const std::vector<std::pair<std::string, QByteArray>>& replaced) {
    QByteArray text = "<<";
    for (const auto& key : dictionary.getKeys()) {
        if (std::none_of(replaced.begin(), replaced.end(),
                         [&](const auto& r) { return r.first == key; }))
            text += ' ' + QByteArray::fromStdString(QPDFObjectHandle::newName(key).unparse()) +
                    ' ' + QByteArray::fromStdString(dictionary.getKey(key).unparse());
    }
    for (const auto& [key, value] : replaced)
        if (!value.isEmpty())
            text += ' ' + QByteArray::fromStdString(key) + ' ' + value;
    return text + " >>";
}

} // namespace

QByteArray flat_page_tree_update(QPDF& pdf, const page_tree& tree, long long root_number,
                                 const page_tree_limits& limits) {
    const QPDFObjGen root(static_cast<int>(root_number), 0);
    QByteArray update, kids;
    long long next_number = root_number + 1;
    qsizetype count = 0;
    for (const auto& entry : tree.pages) {
        auto page = entry.object;
        if (!page.isDictionary() || page.isStream())
            continue;
        QPDFObjGen id =
            page.isIndirect() ? page.getObjGen() : QPDFObjGen(static_cast<int>(next_number++), 0);
        if (!entry.as_is) {
            auto mended = page.shallowCopy();
            inherit(mended, tree, entry.parent, limits);
            update += object_text(
                id, dictionary_text(
                        mended, {{"/Kids", {}}, {"/Type", "/Page"}, {"/Parent", reference(root)}}));
        }
        kids += ' ' + reference(id);
        ++count;
    }
    update += object_text(root, "<< /Type /Pages /Count " + QByteArray::number(count) + " /Kids [" +
                                    kids + " ] >>");
    auto catalog = pdf.getRoot();
    if (!catalog.isIndirect())
        throw QPDFExc(qpdf_e_damaged_pdf, "document", "", 0, "a catalog written in the trailer");
    return update + object_text(catalog.getObjGen(),
                                dictionary_text(catalog, {{"/Pages", reference(root)}}));
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
        inherit(page, tree, entry.parent, limits);
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
