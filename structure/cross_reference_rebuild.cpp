#include "cross_reference_rebuild.h"

#include "byte_array_pipeline.h"
#include "pdf_text.h"
#include "structure_errors.h"

#include <qpdf/Pl_Flate.hh>

#include <map>
#include <string>

namespace krv {

namespace {

constexpr long long max_object_number = 1'048'576; // Qt PDF reads no object beyond
constexpr std::size_t max_dictionary = 16 * 1024 * 1024;
constexpr qsizetype max_stream_text = 64 * 1024 * 1024;

// Type 3: at an offset of the objects recovered from damaged object streams.
using location = object_location;

struct object_header {
    long long number, generation;
    std::size_t start;
};

// "n g obj" read backwards from its "obj" at `at`.
std::optional<object_header> header_before(std::string_view text, std::size_t at) {
    const auto blanks = [&] {
        const std::size_t from = at;
        while (at > 0 && is_blank(text[at - 1]))
            --at;
        return at < from;
    };
    const auto number = [&]() -> std::optional<long long> {
        std::size_t from = at;
        while (at > 0 && from - at < 12 && text[at - 1] >= '0' && text[at - 1] <= '9')
            --at;
        std::size_t start = at;
        return at < from ? read_number(text, start) : std::nullopt;
    };
    if (!blanks())
        return std::nullopt;
    const auto generation = number();
    if (!generation || !blanks())
        return std::nullopt;
    const auto object = number();
    if (!object || (at > 0 && !is_blank(text[at - 1]) && !is_delimiter(text[at - 1])))
        return std::nullopt;
    return object_header{*object, *generation, at};
}

bool typed(std::string_view dictionary, std::string_view type) {
    return value_text(dictionary, "/Type") == type;
}

std::optional<long long> number_of(std::string_view dictionary, std::string_view key) {
    const std::string_view value = value_text(dictionary, key);
    std::size_t at = 0;
    return read_number(value, at);
}

class rebuild {
public:
    rebuild(std::string_view text, const std::atomic<bool>& cancelled)
        : text_(text), cancelled_(cancelled) {}

    void scan() {
        std::size_t checked = 0;
        for (std::size_t at = text_.find("obj"); at != text_.npos; at = text_.find("obj", at + 3)) {
            if (++checked % 4096 == 0 && cancelled_.load(std::memory_order_relaxed))
                throw cancelled_error();
            if (at + 3 < text_.size() && !is_blank(text_[at + 3]) && !is_delimiter(text_[at + 3]))
                continue;
            const auto header = header_before(text_, at);
            if (!header || header->number <= 0 || header->number > max_object_number)
                continue;
            objects_[header->number] = {1, static_cast<long long>(header->start),
                                        header->generation};
            at = object_seen(*header, at + 3);
        }
        take_trailer(text_.rfind("trailer"));
    }

    /// "/Root n g R" and what goes with it, or empty.
    std::string trailer_entries() const {
        std::string entries;
        const std::string_view root = value_text(trailer_, "/Root");
        if (!root.empty() && names_an_object(root))
            entries = "/Root " + std::string(root);
        else if (!catalog_.empty())
            entries = "/Root " + catalog_;
        else
            return {};
        for (const char* key : {"/Info", "/Encrypt", "/ID"})
            if (const std::string_view value = value_text(trailer_, key); !value.empty())
                entries += std::string(" ") + key + " " + std::string(value);
        return entries;
    }

    const std::map<long long, location>& objects() const { return objects_; }
    /// The objects of damaged object streams, to be appended to the file.
    const QByteArray& recovered() const { return recovered_; }

private:
    // After an object's "obj": notes a catalog or a trailer, indexes an object
    // stream, and returns where the scan goes on (past any stream data, whose
    // bytes may hold anything).
    std::size_t object_seen(const object_header& header, std::size_t body) {
        const auto end = dictionary_end(text_, body, max_dictionary);
        if (!end)
            return body;
        const std::string_view dictionary = text_.substr(body, *end - body);
        if (typed(dictionary, "/Catalog"))
            catalog_ =
                std::to_string(header.number) + " " + std::to_string(header.generation) + " R";
        if (typed(dictionary, "/XRef") && !value_text(dictionary, "/Root").empty())
            trailer_ = dictionary, trailer_at_ = body;
        std::size_t data = skip_blanks(text_, *end);
        if (text_.substr(data, 6) != "stream")
            return *end;
        data += 6;
        if (text_.substr(data, 2) == "\r\n")
            data += 2;
        else if (data < text_.size() && (text_[data] == '\n' || text_[data] == '\r'))
            ++data;
        const std::size_t stop = std::min(text_.find("endstream", data), text_.size());
        if (typed(dictionary, "/ObjStm"))
            index_stream(header.number, dictionary, text_.substr(data, stop - data),
                         stop < text_.size());
        return stop;
    }

    void index_stream(long long number, std::string_view dictionary, std::string_view data,
                      bool whole) {
        const std::string_view filter = value_text(dictionary, "/Filter");
        const auto count = number_of(dictionary, "/N");
        const auto first = number_of(dictionary, "/First");
        if ((filter != "/FlateDecode" && filter != "[/FlateDecode]") || !count || !first ||
            !value_text(dictionary, "/DecodeParms").empty())
            return;
        QByteArray decoded;
        byte_array_pipeline sink(decoded, max_stream_text, &cancelled_);
        try {
            Pl_Flate inflate("object stream", &sink, Pl_Flate::a_inflate);
            inflate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
            inflate.finish();
        } catch (const limit_error&) {
            throw;
        } catch (const cancelled_error&) {
            throw;
        } catch (const std::exception&) {
            // Cut short or spoilt: what was decoded still holds objects, which
            // readers would not decode again: they are written out on their own.
            whole = false;
        }
        const std::string_view text(decoded.constData(), static_cast<std::size_t>(decoded.size()));
        const std::string_view header = text.substr(0, static_cast<std::size_t>(*first));
        std::vector<std::pair<long long, std::size_t>> entries;
        std::size_t at = 0;
        for (long long i = 0; i < *count; ++i) {
            const auto object = read_number(header, at);
            const auto offset = read_number(header, at);
            if (!object || !offset)
                break;
            entries.emplace_back(*object, static_cast<std::size_t>(*offset));
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto [object, offset] = entries[i];
            if (object <= 0 || object > max_object_number)
                continue;
            const std::size_t from = header.size() + offset;
            const std::size_t to =
                i + 1 < entries.size() ? header.size() + entries[i + 1].second : text.size();
            const std::string_view body =
                from < to && to <= text.size() ? text.substr(from, to - from) : std::string_view();
            if (typed(body, "/Catalog"))
                catalog_ = std::to_string(object) + " 0 R";
            if (whole) {
                objects_[object] = {2, number, static_cast<long long>(i)};
            } else if (!body.empty()) {
                objects_[object] = {3, recovered_.size(), 0};
                recovered_ += QByteArray::number(object) + " 0 obj\n" +
                              QByteArray(body.data(), static_cast<qsizetype>(body.size())) +
                              "\nendobj\n";
            }
        }
    }

    // The last "trailer" whose dictionary names a root, when it comes after the
    // last cross-reference stream that does.
    void take_trailer(std::size_t at) {
        for (; at != text_.npos && at > trailer_at_;
             at = at ? text_.rfind("trailer", at - 1) : text_.npos) {
            const auto end = dictionary_end(text_, at + 7, max_dictionary);
            if (!end)
                continue;
            const std::string_view dictionary = text_.substr(at + 7, *end - at - 7);
            if (!value_text(dictionary, "/Root").empty()) {
                trailer_ = dictionary;
                return;
            }
        }
    }

    bool names_an_object(std::string_view reference) const {
        std::size_t at = 0;
        const auto number = read_number(reference, at);
        return number && objects_.count(*number);
    }

    std::string_view text_;
    const std::atomic<bool>& cancelled_;
    std::map<long long, location> objects_;
    std::string_view trailer_;
    std::size_t trailer_at_ = 0;
    std::string catalog_;
    QByteArray recovered_;
};

// Whether `text` holds a reference "n g R" to object `number`.
bool refers_to(std::string_view text, long long number) {
    const std::string digits = std::to_string(number);
    for (std::size_t at = text.find(digits); at != text.npos; at = text.find(digits, at + 1)) {
        if (at > 0 && text[at - 1] >= '0' && text[at - 1] <= '9')
            continue;
        std::size_t next = at + digits.size();
        const auto skip_blanks_here = [&] {
            const std::size_t from = next;
            while (next < text.size() && is_blank(text[next]))
                ++next;
            return next > from;
        };
        if (!skip_blanks_here())
            continue;
        const std::size_t generation = next;
        while (next < text.size() && text[next] >= '0' && text[next] <= '9')
            ++next;
        if (next == generation || !skip_blanks_here() || next >= text.size() || text[next] != 'R')
            continue;
        if (++next == text.size() || is_blank(text[next]) || is_delimiter(text[next]))
            return true;
    }
    return false;
}

void put_field(QByteArray& out, long long value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.append(static_cast<char>((value >> shift) & 0xff));
}

} // namespace

QByteArray with_rebuilt_cross_references(const QByteArray& bytes,
                                         const std::atomic<bool>& cancelled) {
    rebuild found({bytes.constData(), static_cast<std::size_t>(bytes.size())}, cancelled);
    found.scan();
    const std::string entries = found.trailer_entries();
    if (entries.empty() || found.objects().empty())
        return {};
    QByteArray output = bytes;
    output.append('\n');
    const long long recovered_at = output.size();
    output.append(found.recovered());
    std::map<long long, location> objects = found.objects();
    for (auto& [number, at] : objects)
        if (at.type == 3)
            at = {1, at.offset_or_stream + recovered_at, 0};
    append_cross_reference_stream(output, objects, entries);
    return output;
}

void append_cross_reference_stream(QByteArray& output,
                                   const std::map<long long, object_location>& objects,
                                   const std::string& entries) {
    // Not a number the document refers to without holding it (its object lost
    // in the damage): the dangling reference would then lead to this stream.
    long long own_number = objects.empty() ? 1 : objects.rbegin()->first + 1;
    const std::string_view text(output.constData(), static_cast<std::size_t>(output.size()));
    for (int tries = 0; tries < 64 && refers_to(text, own_number); ++tries)
        ++own_number;
    const long long own_offset = output.size();
    QByteArray table;
    auto next = objects.begin();
    for (long long number = 0; number <= own_number; ++number) {
        if (next != objects.end() && next->first == number) {
            table.append(static_cast<char>(next->second.type));
            put_field(table, next->second.offset_or_stream, 8);
            put_field(table, next->second.generation_or_index, 4);
            ++next;
        } else if (number == own_number) {
            table.append(char(1));
            put_field(table, own_offset, 8);
            put_field(table, 0, 4);
        } else {
            table.append(char(0));
            put_field(table, 0, 8);
            put_field(table, number == 0 ? 65535 : 0, 4);
        }
    }
    output.append(QByteArray::number(own_number) + " 0 obj\n<< /Type /XRef /Size " +
                  QByteArray::number(own_number + 1) + " /W [1 8 4] " +
                  QByteArray::fromStdString(entries) + " /Length " +
                  QByteArray::number(table.size()) + " >>\nstream\n");
    output.append(table);
    output.append("\nendstream\nendobj\nstartxref\n" + QByteArray::number(own_offset) +
                  "\n%%EOF\n");
}

} // namespace krv
