#include "page_sizes.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QPdfDocument>

#include <memory>

namespace krv {

namespace {

// Reading a page's size keeps some 30 to 90 KiB of it inside pdfium (Qt PDF
// checks that the whole page is there first), 77 to 122 MB for every page of a
// long manual: it is done in a document of its own, opened again every
// size_pages_per_document pages and let go at the end. A step reads for a few
// milliseconds, so that pictures go first.
struct size_reading {
    QByteArray bytes;
    QString password;
    std::unique_ptr<QBuffer> buffer;
    std::unique_ptr<QPdfDocument> document;
    int read_in_document = 0;
    std::vector<QSizeF> sizes;
};

constexpr qint64 size_step_ms = 8;
constexpr int size_pages_per_document = 256;

// One step on the pdf thread; it posts the next one, until every size is read.
struct size_step {
    std::shared_ptr<size_reading> reading;
    pdf_thread* thread;
    quint64 id;
    int pages;
    std::function<void(std::vector<QSizeF>)> done; ///< runs on the GUI thread

    void operator()(QPdfDocument&) const {
        size_reading& r = *reading;
        if (r.read_in_document >= size_pages_per_document) {
            r.document.reset(); // what it kept of the pages read goes with it
            r.buffer.reset();
            r.read_in_document = 0;
            thread->post(id, pdf_priority::background, *this);
            return;
        }
        if (!r.document) {
            r.buffer = std::make_unique<QBuffer>(&r.bytes);
            r.buffer->open(QIODevice::ReadOnly);
            r.document = std::make_unique<QPdfDocument>();
            r.document->setPassword(r.password);
            r.document->load(r.buffer.get());
        }
        QElapsedTimer spent;
        spent.start();
        while (static_cast<int>(r.sizes.size()) < pages && spent.elapsed() < size_step_ms &&
               r.read_in_document < size_pages_per_document) {
            r.sizes.push_back(r.document->pagePointSize(static_cast<int>(r.sizes.size())));
            ++r.read_in_document;
        }
        if (static_cast<int>(r.sizes.size()) < pages) {
            thread->post(id, pdf_priority::background, *this);
            return;
        }
        r.document.reset();
        r.buffer.reset();
        thread->reply([done = done, sizes = std::move(r.sizes)] { done(sizes); });
    }
};

} // namespace

void read_page_sizes(const pdf_document& document, std::function<void(std::vector<QSizeF>)> done) {
    pdf_thread* thread = document.thread();
    if (!thread)
        return;
    auto reading = std::make_shared<size_reading>();
    reading->bytes = document.bytes();
    reading->password = document.password();
    thread->post(document.id(), pdf_priority::background,
                 size_step{reading, thread, document.id(), document.page_count(), std::move(done)});
}

} // namespace krv
