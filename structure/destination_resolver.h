// Turns a PDF destination (an explicit array, or a name or string naming one)
// into a plain `destination`. Named destinations live in two places: the name
// tree /Root /Names /Dests (PDF 1.2 on, string keys) and the old dictionary
// /Root /Dests (PDF 1.1, name keys). Producers mix them up, so a name is tried
// in both, whatever its type.
#pragma once

#include "structure_types.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

class QPDF;
class QPDFNameTreeObjectHelper;

namespace krv {

class page_index;

class destination_resolver {
public:
    destination_resolver(QPDF& pdf, const page_index& pages);
    ~destination_resolver();

    /// `dest` is the value of /Dest, or of /D in a GoTo action; nothing for
    /// what leads to no page of this document. May throw: call under guarded().
    std::optional<destination> resolve(QPDFObjectHandle dest);

private:
    std::optional<destination> from_array(QPDFObjectHandle array) const;
    QPDFObjectHandle look_up_name(QPDFObjectHandle name);
    QPDFObjectHandle look_up_in_name_tree(const std::string& key);
    QPDFObjectHandle look_up_in_old_dests(const std::string& key);

    QPDF& pdf_;
    const page_index& pages_;
    std::unique_ptr<QPDFNameTreeObjectHelper> name_tree_; // made on first named destination
    bool name_tree_checked_ = false;
    // Many links name the same destination (every "see section 2.3"); a name
    // tree look-up costs tens of microseconds, a hash look-up almost nothing.
    std::unordered_map<std::string, std::optional<destination>> named_cache_;
};

} // namespace krv
