// A damaged file's cross-references made again from a scan of its bytes, for
// when qpdf cannot open it. qpdf 11.3 gives up on a file without a trailer (one
// cut short: the trailer, or the cross-reference stream that holds it, comes
// last) and never looks inside object streams when it rebuilds, which leaves
// most of a compressed document out. Here every "n g obj" outside stream data is
// found, the objects inside each object stream too (those of a stream that no
// longer decompresses whole written out on their own), the root is taken from the
// last trailer (or cross-reference stream) that names one, else from the last
// catalog, and a cross-reference stream listing them all is appended, which qpdf
// then reads as any other.
#pragma once

#include <QByteArray>

#include <atomic>
#include <map>
#include <string>

namespace krv {

/// `bytes` followed by the rebuilt cross-reference stream, or empty when no root
/// was found. May throw limit_error (an object stream too large once
/// decompressed) and cancelled_error.
QByteArray with_rebuilt_cross_references(const QByteArray& bytes,
                                         const std::atomic<bool>& cancelled);

/// Where a cross-reference stream says an object is.
struct object_location {
    int type = 1; ///< 1: at an offset of the file; 2: in an object stream
    long long offset_or_stream = 0;
    long long generation_or_index = 0;
};

/// Appends to `output` a cross-reference stream that lists `objects` (by number)
/// and itself, and ends the file with it; `entries` are its trailer's ("/Root 1 0 R").
void append_cross_reference_stream(QByteArray& output,
                                   const std::map<long long, object_location>& objects,
                                   const std::string& entries);

} // namespace krv
