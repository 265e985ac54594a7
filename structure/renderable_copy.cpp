#include "renderable_copy.h"

#include "byte_array_pipeline.h"
#include "page_tree_check.h"
#include "qpdf_guard.h"
#include "raw_objects.h"
#include "structure_document.h"

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>

namespace krv {

namespace {

// The document's bytes as qpdf reads them, checking at each read whether the
// work was called off: rebuilding the cross-references of a large damaged file
// reads all of it, for a second or more.
class cancellable_source final : public BufferInputSource {
public:
    cancellable_source(std::unique_ptr<Buffer> buffer, const std::atomic<bool>& cancelled)
        : BufferInputSource("document", buffer.get()), buffer_(std::move(buffer)),
          cancelled_(cancelled) {}
    size_t read(char* buffer, size_t length) override {
        check();
        return BufferInputSource::read(buffer, length);
    }
    qpdf_offset_t findAndSkipNextEOL() override {
        check();
        return BufferInputSource::findAndSkipNextEOL();
    }

private:
    void check() const {
        if (cancelled_.load(std::memory_order_relaxed))
            throw cancelled_error();
    }
    std::unique_ptr<Buffer> buffer_;
    const std::atomic<bool>& cancelled_;
};

struct inspected {
    std::unique_ptr<QPDF> pdf; ///< reads `bytes`, which must outlive it
    page_tree tree;
    bool repaired = false; ///< qpdf warned: it read the file other than as written
};

inspected inspect(const QByteArray& bytes, const std::string& password,
                  const std::atomic<bool>& cancelled) {
    inspected result;
    result.pdf = std::make_unique<QPDF>();
    make_quiet(*result.pdf);
    auto* data = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.constData()));
    result.pdf->processInputSource(
        std::make_shared<cancellable_source>(
            std::make_unique<Buffer>(data, static_cast<std::size_t>(bytes.size())), cancelled),
        password.c_str());
    raw_objects raw(*result.pdf, {bytes.constData(), static_cast<std::size_t>(bytes.size())},
                    cancelled);
    result.tree = walk_page_tree(*result.pdf, raw, cancelled);
    result.repaired = result.pdf->anyWarnings();
    return result;
}

QByteArray write(QPDF& pdf, qsizetype limit, const std::atomic<bool>& cancelled) {
    QByteArray output;
    byte_array_pipeline sink(output, limit, &cancelled);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&sink);
    // Streams go out as they came in: no decoding, no compressing again.
    writer.setCompressStreams(false);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
    return output;
}

} // namespace

outcome<renderable_document> renderable_copy(const QByteArray& bytes, const std::string& password,
                                             rewrite_policy policy,
                                             const std::atomic<bool>& cancelled) {
    return guarded([&]() -> renderable_document {
        auto first = inspect(bytes, password, cancelled);
        if (policy == rewrite_policy::when_needed && first.tree.sound && !first.repaired)
            return {bytes, false};
        if (!first.tree.sound)
            flatten_page_tree(*first.pdf, first.tree);
        // A flat tree copies inherited resources into each page: room for that.
        const qsizetype limit = 2 * bytes.size() + 16 * 1024 * 1024;
        QByteArray output = write(*first.pdf, limit, cancelled);
        first = {};
        // What qpdf wrote is walked again, so that nothing unchecked reaches Qt PDF.
        if (!inspect(output, password, cancelled).tree.sound)
            throw QPDFExc(qpdf_e_damaged_pdf, "document", "", 0, "page tree unsound once written");
        return {std::move(output), true};
    });
}

} // namespace krv
