// A qpdf pipeline that appends to a QByteArray, so that what QPDFWriter writes
// lands in the type Qt PDF and the print system take, with no copy through
// qpdf's own buffer. It can be bounded and called off: a repair's output or a
// decompressed stream never grows past its limit, and ending the program stops
// the writing at its next piece.
#pragma once

#include <qpdf/Pipeline.hh>

#include <QByteArray>

#include <atomic>
#include <limits>

namespace krv {

class byte_array_pipeline final : public Pipeline {
public:
    /// Past `limit` bytes a write throws limit_error; once `cancelled` is set it
    /// throws cancelled_error.
    explicit byte_array_pipeline(QByteArray& target,
                                 qsizetype limit = std::numeric_limits<qsizetype>::max(),
                                 const std::atomic<bool>* cancelled = nullptr);
    void write(unsigned char const* data, size_t length) override;
    void finish() override {}

private:
    QByteArray& target_;
    qsizetype limit_;
    const std::atomic<bool>* cancelled_;
};

} // namespace krv
