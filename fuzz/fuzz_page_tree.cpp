// libFuzzer target: any bytes made ready for Qt PDF (the page tree walked and
// made flat, the cross-references made again from the bytes, or the whole
// written again by qpdf) give bytes or a failure, within the walk's bounds;
// never a crash, a hang or an exception let out. What is given to Qt PDF then
// opens again through the same check.
#include "renderable_copy.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::atomic<bool> cancelled{false};
    for (const auto policy : {krv::rewrite_policy::when_needed, krv::rewrite_policy::always}) {
        const auto copy = krv::renderable_copy(bytes, {}, policy, cancelled);
        if (copy && copy->rewritten &&
            !krv::renderable_copy(copy->bytes, {}, krv::rewrite_policy::when_needed, cancelled))
            std::abort();
    }
    return 0;
}
