#include "page_index.h"

#include "pdf_objects.h"

#include <qpdf/QPDF.hh>

#include <unordered_set>

namespace krv {

namespace {

constexpr int max_tree_depth = 64;
constexpr std::size_t max_pages = 1'000'000;

bool is_pages_node(QPDFObjectHandle node) {
    auto type = key_of(node, "/Type");
    if (type.isName())
        return type.getName() == "/Pages";
    return key_of(node, "/Kids").isArray(); // no /Type: judged by its shape
}

bool only_leaves_below(QPDFObjectHandle node, int kid_count) {
    auto count = key_of(node, "/Count");
    return count.isInteger() && count.getIntValue() == kid_count;
}

} // namespace

page_index::page_index(QPDF& pdf) {
    if (!read_tree(pdf)) {
        pages_ = pdf.getAllPages(); // resolves everything, repairs what it can
    }
    index_pages();
}

bool page_index::read_tree(QPDF& pdf) {
    struct pending {
        QPDFObjectHandle node;
        int depth;
        bool known_leaf; // under a node whose /Count says "only leaves": not resolved
    };
    std::vector<pending> stack{{key_of(pdf.getRoot(), "/Pages"), 0, false}};
    // A reference reached twice is a loop or a shared page: qpdf repairs those.
    std::unordered_set<std::uint64_t> seen;
    while (!stack.empty()) {
        auto [node, depth, known_leaf] = stack.back();
        stack.pop_back();
        if (!node.isIndirect() || !seen.insert(object_key(node.getObjGen())).second ||
            depth > max_tree_depth || pages_.size() >= max_pages) {
            pages_.clear();
            return false;
        }
        if (known_leaf || !is_pages_node(node)) {
            pages_.push_back(node);
            continue;
        }
        auto kids = key_of(node, "/Kids");
        if (!kids.isArray()) {
            pages_.clear();
            return false;
        }
        const int kid_count = kids.getArrayNItems();
        const bool leaves = only_leaves_below(node, kid_count);
        for (int i = kid_count - 1; i >= 0; --i) // reversed: pages come out in order
            stack.push_back({kids.getArrayItem(i), depth + 1, leaves});
    }
    return true;
}

void page_index::index_pages() {
    index_by_object_.reserve(pages_.size());
    for (std::size_t index = 0; index < pages_.size(); ++index)
        index_by_object_.emplace(object_key(pages_[index].getObjGen()), static_cast<int>(index));
}

std::optional<int> page_index::index_of(QPDFObjectHandle page) const {
    if (!page.isIndirect())
        return std::nullopt;
    const auto found = index_by_object_.find(object_key(page.getObjGen()));
    if (found == index_by_object_.end())
        return std::nullopt;
    return found->second;
}

} // namespace krv
