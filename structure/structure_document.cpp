#include "structure_document.h"

#include "qpdf_guard.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>

namespace krv {

namespace {

// A private logger whose every channel is discarded: the default logger is
// process-wide and shared with any other QPDF object.
std::shared_ptr<QPDFLogger> silent_logger() {
    auto logger = QPDFLogger::create();
    logger->setInfo(logger->discard());
    logger->setWarn(logger->discard());
    logger->setError(logger->discard());
    return logger;
}

} // namespace

void make_quiet(QPDF& pdf) {
    pdf.setLogger(silent_logger());
    pdf.setSuppressWarnings(true);
}

structure_document::structure_document(QByteArray bytes, std::unique_ptr<QPDF> pdf)
    : bytes_(std::move(bytes)), pdf_(std::move(pdf)) {}

structure_document::~structure_document() = default;

const page_index& structure_document::pages() {
    if (!pages_)
        pages_.emplace(*pdf_);
    return *pages_;
}

void structure_document::drop_warnings() {
    pdf_->getWarnings(); // returns and clears them
}

outcome<std::unique_ptr<structure_document>> open_structure(QByteArray bytes,
                                                            const std::string& password) {
    return guarded([&]() -> std::unique_ptr<structure_document> {
        auto pdf = std::make_unique<QPDF>();
        make_quiet(*pdf);
        // Recovery (rebuilding the cross-reference table) stays on: a damaged
        // help file should still show its outline and links.
        pdf->processMemoryFile("document", bytes.constData(),
                               static_cast<std::size_t>(bytes.size()), password.c_str());
        // Moving a QByteArray hands over the same storage: qpdf's pointer stays valid.
        return std::make_unique<structure_document>(std::move(bytes), std::move(pdf));
    });
}

} // namespace krv
