// A PDF the reader already holds in memory, opened with qpdf to read its
// structure. A QPDF object is not thread-safe and reads lazily (objects are
// parsed when first touched): one structure_document is used by one thread at a
// time, the structure worker's.
#pragma once

#include "failure.h"
#include "page_index.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <string>

class QPDF;

namespace krv {

class structure_document {
public:
    structure_document(QByteArray bytes, std::unique_ptr<QPDF> pdf);
    ~structure_document();
    structure_document(const structure_document&) = delete;
    structure_document& operator=(const structure_document&) = delete;

    QPDF& pdf() { return *pdf_; }
    const QByteArray& bytes() const { return bytes_; }

    /// Built on first use, then O(1) per look-up. May throw: call under guarded().
    const page_index& pages();

    /// qpdf keeps every warning in memory: dropped after each step, so that a
    /// damaged file cannot grow that list without bound.
    void drop_warnings();

private:
    // Declared before pdf_ so that it is destroyed after it: processMemoryFile
    // does not copy the buffer, qpdf reads this QByteArray's storage for as long
    // as the QPDF object lives.
    QByteArray bytes_;
    std::unique_ptr<QPDF> pdf_;
    std::optional<page_index> pages_;
};

/// Sends every qpdf message of this object nowhere (they stay readable through
/// getWarnings()). Used on every QPDF the program creates.
void make_quiet(QPDF& pdf);

/// Opens `bytes` (which must own their storage: no QByteArray::fromRawData).
/// `password` is UTF-8, tried as user then owner password; an empty one opens
/// documents that only have an owner password.
outcome<std::unique_ptr<structure_document>> open_structure(QByteArray bytes,
                                                            const std::string& password = {});

} // namespace krv
