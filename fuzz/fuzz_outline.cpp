// libFuzzer target: any bytes opened as a PDF give an outline tree within its
// bounds (depth, entries), destinations resolved or refused, a page's links and
// notes read or refused; never a crash, a hang or an exception let out.
#include "link_reader.h"
#include "outline_reader.h"
#include "structure_document.h"

#include <cstdlib>
#include <vector>

namespace {

// Walks the tree without recursion, checking its depth and collecting entries.
std::size_t check_tree(const krv::outline_tree& tree, int max_depth,
                       std::vector<krv::object_id>& items) {
    std::vector<std::pair<const krv::outline_entry*, int>> pending;
    for (const auto& root : tree.roots)
        pending.emplace_back(&root, 1);
    std::size_t count = 0;
    while (!pending.empty()) {
        auto [entry, depth] = pending.back();
        pending.pop_back();
        if (depth > max_depth)
            std::abort();
        ++count;
        if (items.size() < 50)
            items.push_back(entry->source);
        for (const auto& child : entry->children)
            pending.emplace_back(&child, depth + 1);
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    auto opened = krv::open_structure(bytes);
    if (!opened)
        return 0;
    krv::structure_document& document = *opened.value();
    const krv::outline_limits limits;
    const auto tree = krv::read_outline(document, limits);
    std::vector<krv::object_id> items;
    if (tree) {
        const std::size_t count = check_tree(tree.value(), limits.max_depth, items);
        if (count != tree->entry_count || count > limits.max_entries)
            std::abort();
    }
    krv::link_reader links(document);
    for (const krv::object_id& item : items) {
        const auto action = links.outline_action(item);
        if (action && action->jump && action->jump->page_index < 0)
            std::abort();
    }
    for (int page = 0; page < 3; ++page)
        (void)links.annotations_of(page);
    return 0;
}
