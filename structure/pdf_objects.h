// Tolerant accessors: qpdf warns (or, for direct objects without an owner,
// throws) when a dictionary operation meets another type. Damaged files do that
// all the time, so the type is checked first.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <string>

namespace krv {

inline QPDFObjectHandle key_of(QPDFObjectHandle dictionary, const std::string& key) {
    return dictionary.isDictionary() ? dictionary.getKey(key) : QPDFObjectHandle::newNull();
}

inline bool has_subtype(QPDFObjectHandle annotation, const char* subtype) {
    auto value = key_of(annotation, "/Subtype");
    return value.isName() && value.getName() == subtype;
}

/// An object's number and generation as one hashable key.
inline std::uint64_t object_key(QPDFObjGen id) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(id.getObj())) << 32) |
           static_cast<std::uint32_t>(id.getGen());
}

} // namespace krv
