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

namespace krv {

/// `bytes` followed by the rebuilt cross-reference stream, or empty when no root
/// was found. May throw limit_error (an object stream too large once
/// decompressed) and cancelled_error.
QByteArray with_rebuilt_cross_references(const QByteArray& bytes,
                                         const std::atomic<bool>& cancelled);

} // namespace krv
