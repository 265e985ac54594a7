#include "outline_reader.h"

#include "pdf_objects.h"
#include "qpdf_guard.h"
#include "structure_document.h"

#include <qpdf/QPDF.hh>

#include <unordered_set>
#include <vector>

namespace krv {

namespace {

// Titles end up in a one-line tree view: no line breaks or other controls.
std::string clean_title(std::string title) {
    for (char& c : title)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return title;
}

class outline_walker {
public:
    explicit outline_walker(outline_limits limits) : limits_(limits) {}

    outline_tree walk(QPDFObjectHandle outlines) {
        // One frame per open level: where the next sibling goes and which object
        // comes next there. The C++ stack stays flat whatever the file says.
        stack_.push_back({&tree_.roots, key_of(outlines, "/First")});
        while (!stack_.empty() && !(limits_.stopped && limits_.stopped()) && step()) {
        }
        return std::move(tree_);
    }

private:
    struct level {
        std::vector<outline_entry>* siblings;
        QPDFObjectHandle next;
    };

    // False when the walk must stop altogether.
    bool step() {
        level& current = stack_.back();
        QPDFObjectHandle item = current.next;
        if (!item.isDictionary()) {
            stack_.pop_back();
            return true;
        }
        if (!first_visit(item)) {
            ++tree_.cycles_cut; // a /Next or /First leading back to a seen entry
            stack_.pop_back();
            return true;
        }
        if (tree_.entry_count >= limits_.max_entries) {
            tree_.count_limited = true;
            return false;
        }
        current.next = key_of(item, "/Next");
        current.siblings->push_back(make_entry(item));
        ++tree_.entry_count;
        descend_into(item, current.siblings->back().children);
        return true;
    }

    void descend_into(QPDFObjectHandle item, std::vector<outline_entry>& children) {
        auto first = key_of(item, "/First");
        if (first.isNull())
            return;
        if (static_cast<int>(stack_.size()) >= limits_.max_depth) {
            tree_.depth_limited = true;
            return;
        }
        // `children` belongs to the entry just added; nothing is appended to its
        // parent's vector until this level is done, so the pointer stays valid.
        stack_.push_back({&children, first});
    }

    bool first_visit(QPDFObjectHandle item) {
        if (!item.isIndirect())
            return true; // a direct object cannot be reached twice
        return seen_.insert(object_key(item.getObjGen())).second;
    }

    static outline_entry make_entry(QPDFObjectHandle item) {
        outline_entry entry;
        if (item.isIndirect())
            entry.source = {item.getObjGen().getObj(), item.getObjGen().getGen()};
        if (auto title = key_of(item, "/Title"); title.isString())
            entry.title = clean_title(title.getUTF8Value());
        if (auto count = key_of(item, "/Count"); count.isInteger())
            entry.open = count.getIntValue() > 0;
        return entry;
    }

    outline_limits limits_;
    outline_tree tree_;
    std::vector<level> stack_;
    std::unordered_set<std::uint64_t> seen_;
};

} // namespace

outcome<outline_tree> read_outline(structure_document& document, outline_limits limits) {
    return guarded([&] {
        outline_walker walker(limits);
        outline_tree tree = walker.walk(key_of(document.pdf().getRoot(), "/Outlines"));
        document.drop_warnings();
        return tree;
    });
}

} // namespace krv
