// Where the reader is in the pages, and going to a place: a page's top, a point
// of a page at the top-left of the view (a destination), a rectangle brought into
// view (a search hit); and the pages' sizes, read in the background.
#include "page_view.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QPdfDocument>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

constexpr double margin = page_view::page_margin;

} // namespace

std::pair<int, QPointF> page_view::top_place() const {
    const place p = place_at(QPoint(0, 0));
    return {p.page, p.point};
}

void page_view::go_to_page(int page) {
    if (page_count() == 0)
        return;
    page = std::clamp(page, 0, page_count() - 1);
    verticalScrollBar()->setValue(
        static_cast<int>(std::lround(layout_.tops[static_cast<std::size_t>(page)] - margin)));
    pinned_ = {page, verticalScrollBar()->value()};
    check_current_page();
}

void page_view::go_to_end() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    pinned_ = {page_count() - 1, verticalScrollBar()->value()};
    check_current_page();
}

void page_view::go_to_point(int page, QPointF point) {
    if (page < 0 || page >= page_count())
        return;
    // Pages above whose size is not known yet move it later; the place read stays.
    const QPointF now = to_viewport(page, point);
    verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                  static_cast<int>(std::lround(now.y())));
    if (point.x() > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                        static_cast<int>(std::lround(now.x())));
    check_current_page();
}

void page_view::ensure_visible(int page, const QRectF& rect) {
    if (page < 0 || page >= page_count())
        return;
    const QPointF top_left = to_viewport(page, rect.topLeft());
    const QPointF bottom_right = to_viewport(page, rect.bottomRight());
    const int h = viewport()->height();
    const int w = viewport()->width();
    if (top_left.y() < 0 || bottom_right.y() > h)
        verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                      static_cast<int>(top_left.y() - h / 3.0));
    if (top_left.x() < 0 || bottom_right.x() > w)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                        static_cast<int>(top_left.x() - w / 3.0));
    check_current_page();
}

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

void page_view::read_page_sizes() {
    pdf_thread* thread = document_ ? document_->thread() : nullptr;
    if (!thread || sizes_asked_ || page_count() < 2 ||
        document_->page_sizes().size() == layout_.points.size())
        return;
    sizes_asked_ = true;
    auto reading = std::make_shared<size_reading>();
    reading->bytes = document_->bytes();
    reading->password = document_->password();
    const quint64 id = document_->id();
    QPointer<page_view> self(this);
    thread->post(id, pdf_priority::background,
                 size_step{reading, thread, id, page_count(), [self, id](std::vector<QSizeF> s) {
                               if (self)
                                   self->take_page_sizes(id, std::move(s));
                           }});
}

void page_view::take_page_sizes(quint64 document, std::vector<QSizeF> sizes) {
    if (!document_ || document_->id() != document || sizes.size() != layout_.points.size())
        return;
    document_->remember_page_sizes(sizes);
    emit page_sizes_read();
    if (sizes == layout_.points)
        return;
    layout_.points = std::move(sizes);
    relayout_in_place();
}

} // namespace krv
