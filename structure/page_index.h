// Page object -> page index in O(1): destinations name their page by object
// reference, and without this map every link would need a scan of all pages.
//
// Built without resolving the page dictionaries where possible. With qpdf 11.3,
// resolving an object that sits in an object stream parses the whole stream;
// page dictionaries are spread over the file, so QPDF::getAllPages() on a
// 1,300-page manual costs about 3 s and 300 MB. Reading /Kids references is
// nearly free: a /Pages node whose /Count equals its number of /Kids has only
// leaves below it, so its kids are taken as pages without being resolved.
// Anything else (mixed nodes, loops, a page reached twice) is resolved and
// checked; a tree that cannot be read that way falls back to getAllPages().
#pragma once

#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

class QPDF;

namespace krv {

class page_index {
public:
    /// May throw: call under guarded().
    explicit page_index(QPDF& pdf);

    [[nodiscard]] int page_count() const { return static_cast<int>(pages_.size()); }
    [[nodiscard]] std::optional<int> index_of(QPDFObjectHandle page) const;
    [[nodiscard]] QPDFObjectHandle page(int index) const {
        return pages_.at(static_cast<std::size_t>(index));
    }

private:
    bool read_tree(QPDF& pdf);
    void index_pages();

    std::vector<QPDFObjectHandle> pages_;
    std::unordered_map<std::uint64_t, int> index_by_object_;
};

} // namespace krv
