// Reading PDF syntax straight from a document's bytes, for what must not go
// through qpdf's parser: whether a page tree's kid is a plain page, and the
// objects of a file whose cross-references are lost. Only what those need:
// blanks, numbers, a dictionary's extent (strings and comments known), a key's
// value as text.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace krv {

inline bool is_blank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

inline bool is_delimiter(char c) {
    return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos;
}

inline std::size_t skip_blanks(std::string_view text, std::size_t at) {
    while (at < text.size() && is_blank(text[at]))
        ++at;
    return at;
}

/// A non-negative integer of at most 12 digits at `at` (after blanks), ending at
/// a blank or a delimiter; `at` moves past it.
std::optional<long long> read_number(std::string_view text, std::size_t& at);

/// One past the end of the dictionary that starts at `from` (after blanks and
/// comments), or nothing when no dictionary starts there or it does not end
/// within `text` and `max_length` bytes.
std::optional<std::size_t> dictionary_end(std::string_view text, std::size_t from,
                                          std::size_t max_length);

/// Whether an object's text holds a string written in more than `bound` bytes
/// (a stream's data left out): what alone can be a string that long once read.
bool holds_long_string(std::string_view text, std::size_t bound);

/// The text of a reference ("12 0 R"), a number, a name or an array (without
/// arrays inside) that follows `key` in `dictionary`, or empty.
std::string_view value_text(std::string_view dictionary, std::string_view key);

} // namespace krv
