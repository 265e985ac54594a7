#include "pdf_text.h"

#include <algorithm>

namespace krv {

namespace {

// One past a literal string's closing parenthesis; `at` is on its opening one.
std::optional<std::size_t> literal_string_end(std::string_view text, std::size_t at) {
    int nesting = 0;
    while (at < text.size()) {
        const char c = text[at++];
        if (c == '\\')
            ++at; // the escaped character, whatever it is
        else if (c == '(')
            ++nesting;
        else if (c == ')' && --nesting == 0)
            return at;
    }
    return std::nullopt;
}

} // namespace

std::optional<long long> read_number(std::string_view text, std::size_t& at) {
    at = skip_blanks(text, at);
    const std::size_t start = at;
    long long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 12)
        value = value * 10 + (text[at++] - '0');
    if (at == start || (at < text.size() && !is_blank(text[at]) && !is_delimiter(text[at])))
        return std::nullopt;
    return value;
}

std::optional<std::size_t> dictionary_end(std::string_view text, std::size_t from,
                                          std::size_t max_length) {
    if (from > text.size())
        return std::nullopt;
    text = text.substr(0, from + std::min(max_length, text.size() - from));
    std::size_t at = skip_blanks(text, from);
    if (text.substr(at, 2) != "<<")
        return std::nullopt;
    int depth = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (is_blank(c)) {
            ++at;
        } else if (c == '%') { // a comment, to the end of its line
            while (at < text.size() && text[at] != '\n' && text[at] != '\r')
                ++at;
        } else if (c == '(') {
            const auto end = literal_string_end(text, at);
            if (!end)
                return std::nullopt;
            at = *end;
        } else if (c == '<' && at + 1 < text.size() && text[at + 1] == '<') {
            ++depth;
            at += 2;
        } else if (c == '<') { // a hexadecimal string
            at = text.find('>', at);
            if (at == text.npos)
                return std::nullopt;
            ++at;
        } else if (c == '>') {
            if (at + 1 >= text.size() || text[at + 1] != '>')
                return std::nullopt;
            at += 2;
            if (--depth == 0)
                return at;
        } else if (c == ')') {
            return std::nullopt;
        } else if (c == '[' || c == ']' || c == '{' || c == '}') {
            ++at;
        } else { // a name, a number or a keyword
            ++at;
            while (at < text.size() && !is_blank(text[at]) && !is_delimiter(text[at]))
                ++at;
        }
    }
    return std::nullopt;
}

bool holds_long_string(std::string_view text, std::size_t bound) {
    int depth = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        std::size_t end = at + 1;
        if (c == '%') {
            end = std::min(text.find_first_of("\r\n", at), text.size());
        } else if (c == '(') {
            end = literal_string_end(text, at).value_or(text.size());
        } else if (c == '<' && at + 1 < text.size() && text[at + 1] == '<') {
            ++depth, end = at + 2;
        } else if (c == '>' && at + 1 < text.size() && text[at + 1] == '>') {
            --depth, end = at + 2;
        } else if (c == '<') { // a hexadecimal string
            end = std::min(text.find('>', at), text.size());
        } else if (c == '[' || c == ']') {
            depth += c == '[' ? 1 : -1;
        } else if (depth <= 0 && text.compare(at, 6, "stream") == 0 &&
                   (at == 0 || is_blank(text[at - 1]) || text[at - 1] == '>')) {
            return false; // what follows is the stream's data
        }
        if (end - at > bound)
            return true;
        at = end;
    }
    return false;
}

std::string_view value_text(std::string_view dictionary, std::string_view key) {
    for (std::size_t at = dictionary.find(key); at != dictionary.npos;
         at = dictionary.find(key, at + 1)) {
        std::size_t end = at + key.size();
        if (end < dictionary.size() && !is_blank(dictionary[end]) && !is_delimiter(dictionary[end]))
            continue; // a longer name
        const std::size_t start = skip_blanks(dictionary, end);
        if (start >= dictionary.size())
            return {};
        if (dictionary[start] == '[') {
            end = dictionary.find(']', start);
            return end == dictionary.npos ? std::string_view()
                                          : dictionary.substr(start, end + 1 - start);
        }
        end = start;
        const auto number = read_number(dictionary, end);
        std::size_t after = end;
        if (number && read_number(dictionary, after)) { // a reference: "n g R"
            after = skip_blanks(dictionary, after);
            if (after < dictionary.size() && dictionary[after] == 'R')
                return dictionary.substr(start, after + 1 - start);
        }
        if (number)
            return dictionary.substr(start, end - start);
        if (dictionary[start] != '/')
            return {};
        end = start + 1;
        while (end < dictionary.size() && !is_blank(dictionary[end]) &&
               !is_delimiter(dictionary[end]))
            ++end;
        return dictionary.substr(start, end - start);
    }
    return {};
}

} // namespace krv
