#include "raw_objects.h"

#include "byte_array_pipeline.h"
#include "pdf_objects.h"
#include "pdf_text.h"
#include "structure_errors.h"

#include <qpdf/QPDF.hh>

#include <algorithm>
#include <unordered_set>

namespace krv {

namespace {

constexpr std::size_t mebibyte = 1024 * 1024;
constexpr std::size_t max_page_length = 1 * mebibyte;     // a page's dictionary, resources and all
constexpr qsizetype max_stream_text = 64 * mebibyte;      // one object stream, decompressed
constexpr std::size_t max_cached = 8 * mebibyte;          // the object streams kept at once
constexpr std::size_t max_decompressed = 1024 * mebibyte; // all of them, over one check

// A page of the tree as Qt PDF's two readings of it agree: no /Kids, no /Type
// /Pages, and nothing that could spell them another way (a #-escaped name, a
// /Type given by reference).
raw_objects::kind page_text_kind(std::string_view text, std::size_t from) {
    const auto end = dictionary_end(text, from, max_page_length);
    if (!end)
        return raw_objects::kind::unknown;
    const std::string_view body = text.substr(from, *end - from);
    if (body.find("Kids") != body.npos || body.find("Pages") != body.npos ||
        body.find('#') != body.npos)
        return raw_objects::kind::unknown;
    for (std::size_t at = body.find("/Type"); at != body.npos; at = body.find("/Type", at + 1)) {
        const std::size_t value = skip_blanks(body, at + 5);
        if (value >= body.size() || body[value] != '/')
            return raw_objects::kind::unknown;
    }
    return raw_objects::kind::plain_page;
}

} // namespace

raw_objects::raw_objects(QPDF& pdf, std::string_view data, const std::atomic<bool>& cancelled)
    : pdf_(pdf), data_(data), cancelled_(cancelled), xref_(pdf.getXRefTable()) {}

raw_objects::kind raw_objects::kind_of(QPDFObjGen id) {
    if (cancelled_.load(std::memory_order_relaxed))
        throw cancelled_error();
    const auto found = xref_.find(id);
    if (found == xref_.end())
        return kind::unknown;
    const QPDFXRefEntry& entry = found->second;
    if (entry.getType() == 1)
        return in_file(id, entry.getOffset());
    if (entry.getType() == 2)
        return in_stream(id, entry.getObjStreamNumber(), entry.getObjStreamIndex());
    return kind::unknown;
}

// "n g obj" where the table says, then the object.
raw_objects::kind raw_objects::in_file(QPDFObjGen id, qpdf_offset_t offset) const {
    if (offset < 0 || static_cast<std::size_t>(offset) >= data_.size())
        return kind::inconsistent;
    std::size_t at = static_cast<std::size_t>(offset);
    const auto number = read_number(data_, at);
    const auto generation = read_number(data_, at);
    at = skip_blanks(data_, at);
    if (number != id.getObj() || generation != id.getGen() || data_.substr(at, 3) != "obj")
        return kind::inconsistent;
    return page_text_kind(data_, at + 3);
}

raw_objects::kind raw_objects::in_stream(QPDFObjGen id, int number, int index) {
    const object_stream& s = stream(number);
    if (!s.readable)
        return kind::unknown;
    // Readers disagree on a stream that names an object twice or elsewhere than
    // its index: one finds it by index, another by number.
    if (!s.consistent || id.getGen() != 0 || index < 0 ||
        static_cast<std::size_t>(index) >= s.entries.size() ||
        s.entries[static_cast<std::size_t>(index)].first != id.getObj())
        return kind::inconsistent;
    const std::string_view text(s.text.constData(), static_cast<std::size_t>(s.text.size()));
    const std::size_t offset = s.entries[static_cast<std::size_t>(index)].second;
    if (offset >= text.size() - s.first)
        return kind::inconsistent;
    return page_text_kind(text, s.first + offset);
}

std::vector<QPDFObjGen> raw_objects::larger_than(std::size_t bound) {
    std::vector<QPDFObjGen> found;
    std::vector<std::pair<qpdf_offset_t, QPDFObjGen>> in_file;
    std::map<int, std::vector<QPDFObjGen>> in_streams;
    for (const auto& [id, entry] : xref_) {
        if (entry.getType() == 1)
            in_file.emplace_back(entry.getOffset(), id);
        else if (entry.getType() == 2)
            in_streams[entry.getObjStreamNumber()].push_back(id);
    }
    std::sort(in_file.begin(), in_file.end());
    for (std::size_t i = 0; i < in_file.size(); ++i) {
        const auto start = static_cast<std::size_t>(std::max<qpdf_offset_t>(in_file[i].first, 0));
        const auto end =
            i + 1 < in_file.size() ? static_cast<std::size_t>(in_file[i + 1].first) : data_.size();
        if (end > start + bound && start < data_.size() &&
            holds_long_string(data_.substr(start, end - start), bound))
            found.push_back(in_file[i].second);
    }
    for (const auto& [number, ids] : in_streams) {
        if (cancelled_.load(std::memory_order_relaxed))
            throw cancelled_error();
        const object_stream& s = stream(number);
        if (!s.readable)
            continue;
        if (!s.consistent) { // readers may find its objects elsewhere than its index says
            found.insert(found.end(), ids.begin(), ids.end());
            continue;
        }
        if (static_cast<std::size_t>(s.text.size()) - s.first <= bound)
            continue;
        std::vector<std::size_t> starts;
        for (const auto& entry : s.entries)
            starts.push_back(entry.second);
        std::sort(starts.begin(), starts.end());
        const std::size_t size = static_cast<std::size_t>(s.text.size()) - s.first;
        std::unordered_set<int> large;
        const std::string_view text(s.text.constData() + s.first, size);
        for (const auto& [object, offset] : s.entries) {
            const auto next = std::upper_bound(starts.begin(), starts.end(), offset);
            const std::size_t start = std::min(offset, size);
            const std::size_t end = next == starts.end() ? size : *next;
            if (end > start + bound && holds_long_string(text.substr(start, end - start), bound))
                large.insert(object);
        }
        for (const auto& id : ids)
            if (large.count(id.getObj()))
                found.push_back(id);
    }
    return found;
}

const raw_objects::object_stream& raw_objects::stream(int number) {
    if (const auto found = streams_.find(number); found != streams_.end())
        return found->second;
    object_stream s = decompress(number);
    if (cached_bytes_ + static_cast<std::size_t>(s.text.size()) > max_cached) {
        streams_.clear(); // pages mostly come stream after stream
        cached_bytes_ = 0;
    }
    cached_bytes_ += static_cast<std::size_t>(s.text.size());
    return streams_.emplace(number, std::move(s)).first->second;
}

raw_objects::object_stream raw_objects::decompress(int number) {
    object_stream s;
    QPDFObjectHandle stream = pdf_.getObjectByID(number, 0);
    if (!stream.isStream())
        return s;
    auto count = key_of(stream.getDict(), "/N");
    auto first = key_of(stream.getDict(), "/First");
    if (!count.isInteger() || !first.isInteger() || count.getIntValue() < 0 ||
        first.getIntValue() < 0)
        return s;
    QByteArray text;
    byte_array_pipeline sink(text, max_stream_text, &cancelled_);
    const bool read = stream.pipeStreamData(&sink, nullptr, 0, qpdf_dl_generalized, true, false);
    decompressed_bytes_ += static_cast<std::size_t>(text.size());
    if (decompressed_bytes_ > max_decompressed)
        throw limit_error("object streams past their limit");
    if (!read || first.getIntValue() > text.size())
        return s;
    s.readable = true;
    s.first = static_cast<std::size_t>(first.getIntValue());
    const std::string_view header(text.constData(), s.first);
    std::unordered_set<int> numbers;
    std::size_t at = 0;
    for (long long i = 0; i < count.getIntValue() && s.consistent; ++i) {
        const auto object = read_number(header, at);
        const auto offset = read_number(header, at);
        s.consistent = object && offset && *object <= 0x7fffffff &&
                       numbers.insert(static_cast<int>(*object)).second;
        if (s.consistent)
            s.entries.emplace_back(static_cast<int>(*object), static_cast<std::size_t>(*offset));
    }
    s.text = std::move(text);
    return s;
}

} // namespace krv
