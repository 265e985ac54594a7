#include "renderable_copy.h"

#include "byte_array_pipeline.h"
#include "cross_reference_rebuild.h"
#include "long_text_cut.h"
#include "page_tree_check.h"
#include "qpdf_guard.h"
#include "raw_objects.h"
#include "structure_document.h"

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>
#include <optional>

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
    std::unique_ptr<raw_objects> raw;
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
    result.raw = std::make_unique<raw_objects>(
        *result.pdf, std::string_view{bytes.constData(), static_cast<std::size_t>(bytes.size())},
        cancelled);
    result.tree = walk_page_tree(*result.pdf, *result.raw, cancelled);
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

QPDFExc unsound(const char* why) {
    return QPDFExc(qpdf_e_damaged_pdf, "document", "", 0, why);
}

// The whole document as qpdf writes it again: for an encrypted one (qpdf keeps
// its protection), and for one that qpdf reads cleanly but Qt PDF refused.
QByteArray written_by_qpdf(inspected& view, qsizetype limit, const std::string& password,
                           const std::atomic<bool>& cancelled) {
    if (!view.tree.sound || !view.tree.counted)
        flatten_page_tree(*view.pdf, view.tree);
    cut_long_texts(*view.pdf, *view.raw);
    QByteArray output = write(*view.pdf, limit, cancelled);
    view.tree = {};
    view.raw.reset();
    view.pdf.reset();
    if (!inspect(output, password, cancelled).tree.sound)
        throw unsound("page tree unsound once written");
    return output;
}

// What qpdf makes of `bytes`; nothing when it cannot open them at all.
std::optional<inspected> try_inspect(const QByteArray& bytes, const std::string& password,
                                     const std::atomic<bool>& cancelled) {
    try {
        return inspect(bytes, password, cancelled);
    } catch (const QPDFExc& error) {
        if (error.getErrorCode() == qpdf_e_password || error.getErrorCode() == qpdf_e_unsupported)
            throw;
        return std::nullopt;
    }
}

long long highest_object_number(QPDF& pdf) {
    const auto table = pdf.getXRefTable();
    return table.empty() ? 0 : table.rbegin()->first.getObj();
}

struct made_copy {
    renderable_document document;
    bool scanned = false; ///< its cross-references made again from a scan of the bytes
};

made_copy copy_of(const QByteArray& bytes, const std::string& password, rewrite_policy policy,
                  const std::atomic<bool>& cancelled) {
    auto view = try_inspect(bytes, password, cancelled);
    const bool clean = view && !view->repaired;
    if (clean && view->tree.sound && policy == rewrite_policy::when_needed) {
        const auto changed = cut_long_texts(*view->pdf, *view->raw);
        if (changed.empty())
            return {{bytes, false}};
        if (!view->pdf->isEncrypted()) // else written again by qpdf below, cut
            return {{with_objects_updated(bytes, *view->pdf, changed), true}};
    }
    // A flat tree copies inherited resources into each page: room for that.
    const qsizetype limit = 2 * bytes.size() + 16 * 1024 * 1024;
    if ((view && view->pdf->isEncrypted()) || (clean && view->tree.sound))
        return {{written_by_qpdf(*view, limit, password, cancelled), true}};
    // What qpdf read other than as written (or not at all) is given to Qt PDF
    // with cross-references made again from the bytes, which both then read alike.
    QByteArray patched = bytes;
    if (!clean) {
        view.reset();
        patched = with_rebuilt_cross_references(bytes, cancelled);
        if (patched.isEmpty())
            throw unsound("no document found in the bytes");
        view = inspect(patched, password, cancelled);
        if (view->pdf->isEncrypted())
            return {{written_by_qpdf(*view, limit, password, cancelled), true}};
    }
    if (!view->tree.sound || (policy == rewrite_policy::always && !view->tree.counted)) {
        const QByteArray update =
            flat_page_tree_update(*view->pdf, view->tree, highest_object_number(*view->pdf) + 1);
        view.reset();
        patched = with_rebuilt_cross_references(patched + update, cancelled);
        view = inspect(patched, password, cancelled);
    }
    if (!view->tree.sound)
        throw unsound("page tree unsound once mended");
    if (!clean && view->tree.pages.empty())
        throw unsound("no page left in a damaged file");
    if (const auto changed = cut_long_texts(*view->pdf, *view->raw); !changed.empty())
        patched = with_objects_updated(patched, *view->pdf, changed);
    return {{patched, true}, !clean};
}

} // namespace

outcome<renderable_document> renderable_copy(const QByteArray& bytes, const std::string& password,
                                             rewrite_policy policy,
                                             const std::atomic<bool>& cancelled) {
    return guarded([&]() -> renderable_document {
        made_copy made = copy_of(bytes, password, policy, cancelled);
        // A mended copy is scanned again when it is read again, our own sections
        // with it: a stream the damage left without its end then runs over them,
        // and what is read may no longer be sound. A copy that would not open
        // again is refused.
        if (made.scanned)
            copy_of(made.document.bytes, password, rewrite_policy::when_needed, cancelled);
        return std::move(made.document);
    });
}

} // namespace krv
