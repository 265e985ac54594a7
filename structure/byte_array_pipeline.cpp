#include "byte_array_pipeline.h"

namespace krv {

byte_array_pipeline::byte_array_pipeline(QByteArray& target)
    : Pipeline("QByteArray", nullptr), target_(target) {}

void byte_array_pipeline::write(unsigned char const* data, size_t length) {
    target_.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

} // namespace krv
