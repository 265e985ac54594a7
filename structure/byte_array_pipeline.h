// A qpdf pipeline that appends to a QByteArray, so that what QPDFWriter writes
// lands in the type Qt PDF and the print system take, with no copy through
// qpdf's own buffer.
#pragma once

#include <qpdf/Pipeline.hh>

#include <QByteArray>

namespace krv {

class byte_array_pipeline final : public Pipeline {
public:
    explicit byte_array_pipeline(QByteArray& target);
    void write(unsigned char const* data, size_t length) override;
    void finish() override {}

private:
    QByteArray& target_;
};

} // namespace krv
