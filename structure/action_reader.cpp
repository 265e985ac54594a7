#include "action_reader.h"

#include "destination_resolver.h"
#include "pdf_objects.h"

#include <array>
#include <string_view>

namespace krv {

namespace {

written_action go_to_action(QPDFObjectHandle dest, destination_resolver& resolver) {
    written_action written;
    written.target = resolver.resolve(dest);
    written.action.kind = written.target ? action_kind::go_to : action_kind::go_to_broken;
    return written;
}

// A file reference is a string or a dictionary with /UF, /F or the old
// platform keys; /Launch may also carry /Win << /F ... >>.
std::string file_name_of(QPDFObjectHandle action) {
    auto file_entry = key_of(action, "/F");
    if (file_entry.isNull()) {
        file_entry = key_of(key_of(action, "/Win"), "/F");
    }
    if (file_entry.isString()) {
        return file_entry.getUTF8Value();
    }
    if (file_entry.isDictionary()) {
        for (const char* key : {"/UF", "/F", "/Unix", "/DOS", "/Mac"}) {
            auto value = file_entry.getKey(key);
            if (value.isString()) {
                return value.getUTF8Value();
            }
        }
    }
    return {};
}

action_kind kind_of_subtype(const std::string& subtype) {
    static constexpr std::array<std::pair<std::string_view, action_kind>, 6> kinds{{
        {"/URI", action_kind::uri},
        {"/Launch", action_kind::launch},
        {"/GoToR", action_kind::go_to_remote},
        {"/GoToE", action_kind::go_to_remote},
        {"/Named", action_kind::named},
        {"/JavaScript", action_kind::javascript},
    }};
    for (const auto& [text, kind] : kinds) {
        if (subtype == text) {
            return kind;
        }
    }
    return action_kind::other;
}

written_action action_from_dictionary(QPDFObjectHandle dictionary, destination_resolver& resolver) {
    auto type = dictionary.getKey("/S");
    if (!type.isName()) {
        return {};
    }
    const std::string subtype = type.getName();
    if (subtype == "/GoTo") {
        return go_to_action(dictionary.getKey("/D"), resolver);
    }
    link_action action;
    action.kind = kind_of_subtype(subtype);
    switch (action.kind) {
    case action_kind::uri:
        if (auto uri = dictionary.getKey("/URI"); uri.isString()) {
            action.text = uri.getStringValue();
        }
        break;
    case action_kind::launch:
    case action_kind::go_to_remote:
        action.text = file_name_of(dictionary);
        break;
    case action_kind::named:
        if (auto name = dictionary.getKey("/N"); name.isName()) {
            action.text = name.getName().substr(1);
        }
        break;
    default:
        break;
    }
    return {action, std::nullopt};
}

} // namespace

written_action read_action(QPDFObjectHandle holder, destination_resolver& resolver) {
    if (auto dest = key_of(holder, "/Dest"); !dest.isNull()) {
        return go_to_action(dest, resolver);
    }
    if (auto action = key_of(holder, "/A"); action.isDictionary()) {
        return action_from_dictionary(action, resolver);
    }
    return {};
}

} // namespace krv
