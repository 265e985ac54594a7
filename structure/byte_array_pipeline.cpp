#include "byte_array_pipeline.h"

#include "structure_errors.h"

namespace krv {

byte_array_pipeline::byte_array_pipeline(QByteArray& target, qsizetype limit,
                                         const std::atomic<bool>* cancelled)
    : Pipeline("QByteArray", nullptr), target_(target), limit_(limit), cancelled_(cancelled) {}

void byte_array_pipeline::write(unsigned char const* data, size_t length) {
    if (cancelled_ && cancelled_->load(std::memory_order_relaxed))
        throw cancelled_error();
    if (length > static_cast<size_t>(limit_ - target_.size()))
        throw limit_error("output past its limit");
    target_.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

} // namespace krv
