// Whether a page tree's kid is certainly a plain page, read from the document's
// bytes without qpdf's parser. qpdf 11.3 parses a whole object stream to resolve
// one object in it: resolving every page of a 2,415-page manual took 4 to 5 s and
// 190 MB. Here a kid's text is found through the cross-reference table, in the
// file or in its object stream (decompressed within a bound), its extent read by
// a small lexer that knows strings and comments, and the page is plain when no
// "Kids", "Pages" or "#" occurs anywhere in it and its /Type is a direct name.
// Anything else is left to qpdf, which reads it whole.
#pragma once

#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFXRefEntry.hh>

#include <QByteArray>

#include <atomic>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

class QPDF;

namespace krv {

class raw_objects {
public:
    enum class kind {
        plain_page,   ///< a dictionary with nothing of a page tree's node in it
        unknown,      ///< to be read by qpdf
        inconsistent, ///< its place in the file disagrees with its number: to be read by qpdf,
                      ///< and the file given to Qt PDF only as qpdf writes it again
    };

    /// `data` is the document qpdf opened (it must outlive this object).
    raw_objects(QPDF& pdf, std::string_view data, const std::atomic<bool>& cancelled);

    /// May throw limit_error (an object stream too large once decompressed) and
    /// cancelled_error.
    kind kind_of(QPDFObjGen id);

    /// The objects that may hold a string longer than `bound` bytes: their text
    /// (up to where the next object starts, in the file or in its object stream)
    /// holds one written that long. Objects of an object stream that does not
    /// decompress are not listed. May throw as kind_of does.
    std::vector<QPDFObjGen> larger_than(std::size_t bound);

private:
    struct object_stream {
        bool readable = false;
        bool consistent = true;
        QByteArray text;
        std::size_t first = 0;
        std::vector<std::pair<int, std::size_t>> entries; ///< object number, offset
    };
    kind in_file(QPDFObjGen id, qpdf_offset_t offset) const;
    kind in_stream(QPDFObjGen id, int stream, int index);
    const object_stream& stream(int number);
    object_stream decompress(int number);

    QPDF& pdf_;
    std::string_view data_;
    const std::atomic<bool>& cancelled_;
    std::map<QPDFObjGen, QPDFXRefEntry> xref_;
    std::unordered_map<int, object_stream> streams_;
    std::size_t cached_bytes_ = 0;
    std::size_t decompressed_bytes_ = 0;
};

} // namespace krv
