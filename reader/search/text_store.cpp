#include "text_store.h"

#include "structure_loading.h"
#include "text.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPointer>

#include <array>
#include <atomic>
#include <utility>

namespace krv {

// What the steps on the pdf thread read and keep. `from` and `priority` are set
// by the GUI thread too; the rest is the pdf thread's own.
struct text_store_state {
    std::atomic<int> from{0};
    std::atomic<int> priority{static_cast<int>(pdf_priority::background)};
    std::vector<char> done; ///< pages extracted
    /// The size pages are taken to have: the first page's, then that of the last
    /// page whose box was read (a cover of its own size makes one read, not one a
    /// page). Reading each page's size from Qt PDF would keep 30 to 90 KiB of it.
    QSizeF page_size;
};

// One run of extraction, from extract_from until stop: its steps share it, and
// it goes with the last of them, whether they ran or were dropped as stale.
struct text_store_run {
    std::array<std::atomic<int>, 4> waiting{}; ///< steps waiting, by priority
    /// The pages' crop boxes and turns, read for the few pages whose text stands
    /// off the page Qt PDF takes it to be on (pdf thread only; let go once done).
    std::unique_ptr<structure_session> boxes;
    bool boxes_asked = false; ///< opened at the first question, once
    /// The document the text is read from, of its own (pdf thread only): pdfium
    /// keeps what it parsed of every page read until its document closes (22 MiB
    /// for a 2,415-page manual), so it is opened again every
    /// pages_per_reading_document pages and let go once done.
    std::unique_ptr<QBuffer> buffer;
    std::unique_ptr<QPdfDocument> reading;
    int read_in_document = 0;
    bool cannot_reopen = false; ///< it would not open apart: the shown one serves

    // Once every page is done: what the pdf thread holds for the run goes.
    void let_go() {
        boxes.reset();
        reading.reset();
        buffer.reset();
    }

    // Whether a step waits that runs as soon as `priority` asks.
    bool step_waiting(int priority) const {
        for (int p = 0; p <= priority; ++p)
            if (waiting[static_cast<std::size_t>(p)].load() > 0)
                return true;
        return false;
    }
};

namespace {

constexpr int pages_per_reading_document = 256;

qint64 bytes_of(const page_text& text) {
    return text.folded.size() * qint64(sizeof(QChar)) +
           static_cast<qint64>(text.shifts.size() * sizeof(page_text::shift_from));
}

} // namespace

page_text page_text_of(const QString& text, bool cut) {
    page_text result;
    result.cut = cut;
    std::vector<int> origin;
    result.folded = fold_for_search(text, &origin);
    int shift = 0;
    for (std::size_t i = 0; i < origin.size(); ++i) {
        const int here = origin[i] - static_cast<int>(i);
        if (here != shift)
            result.shifts.push_back({static_cast<int>(i), here});
        shift = here;
    }
    result.shifts.shrink_to_fit();
    return result;
}

text_store::text_store(shared_document document, QObject* parent)
    : QObject(parent), document_(std::move(document)),
      state_(std::make_shared<text_store_state>()) {
    fold_timer_.setSingleShot(true);
    fold_timer_.setInterval(0);
    connect(&fold_timer_, &QTimer::timeout, this, &text_store::fold_some);
    const int pages = document_ ? document_->page_count() : 0;
    pages_.resize(static_cast<std::size_t>(pages));
    state_->done.assign(static_cast<std::size_t>(pages), 0);
    if (document_)
        state_->page_size = document_->first_page_size();
}

text_store::~text_store() {
    stop();
    emit leaving();
}

std::unique_ptr<text_store> text_store::take_texts(text_store& from) {
    from.stop();
    auto kept = std::make_unique<text_store>(nullptr);
    kept->pages_ = std::move(from.pages_);
    kept->extracted_ = std::exchange(from.extracted_, 0);
    kept->text_bytes_ = std::exchange(from.text_bytes_, 0);
    from.pages_.assign(kept->pages_.size(), std::nullopt);
    return kept;
}

void text_store::stop() {
    generation_.next();
    run_.reset();
}

void text_store::release_document() {
    stop();
    document_.reset();
}

const page_text* text_store::text(int page) const {
    if (page < 0 || page >= page_count())
        return nullptr;
    const auto& slot = pages_[static_cast<std::size_t>(page)];
    return slot ? &*slot : nullptr;
}

void text_store::forget(int page) {
    if (page < 0 || page >= page_count())
        return;
    auto& slot = pages_[static_cast<std::size_t>(page)];
    if (slot)
        text_bytes_ -= bytes_of(*slot);
    slot.reset();
}

void text_store::extract_from(int page, pdf_priority priority) {
    if (!document_ || complete())
        return;
    state_->from = std::clamp(page, 0, page_count() - 1);
    state_->priority = static_cast<int>(priority);
    if (!run_)
        run_ = std::make_shared<text_store_run>();
    // A step already waiting at this priority serves; otherwise one more goes in
    // (one waiting further back then finds less or nothing left to do).
    if (!run_->step_waiting(static_cast<int>(priority)))
        post_step(priority);
}

// One step on the pdf thread: the next page not done yet from `from` on. It then
// hands on to a step at the priority in effect, unless one waits already.
struct text_store_step {
    QPointer<text_store> store;
    std::shared_ptr<text_store_state> state;
    std::shared_ptr<text_store_run> run;
    work_ticket ticket;
    pdf_thread* thread;
    quint64 id;
    int pages;
    pdf_priority priority;
    QByteArray bytes; ///< the document's, for its pages' boxes
    QString password;

    void operator()(QPdfDocument& document) const {
        --run->waiting[static_cast<std::size_t>(priority)];
        const int from = state->from.load();
        int page = -1;
        for (int i = 0; i < pages && page < 0; ++i)
            if (!state->done[static_cast<std::size_t>((from + i) % pages)])
                page = (from + i) % pages;
        if (page < 0)
            return run->let_go();
        state->done[static_cast<std::size_t>(page)] = 1;
        const QPdfSelection all = reading_document(document).getAllText(page);
        auto frame = frame_of(all.bounds(), state->page_size, [&] {
            if (!std::exchange(run->boxes_asked, true))
                if (structure_library* structure = structure_module())
                    if (auto opened = structure->open(bytes, password.toStdString()))
                        run->boxes = std::move(opened.value());
            const std::optional<page_geometry> geometry =
                run->boxes ? run->boxes->page_geometry_of(page) : std::nullopt;
            if (geometry)
                state->page_size = QSizeF(geometry->view_width, geometry->view_height);
            return geometry;
        });
        // Folded where it is kept: long-lived text allocated on the pdf thread would
        // pin its heap between what pdfium frees.
        // Qt PDF 6.4 counts a page's characters right but gives its text modulo
        // 65,536 of them, and none beyond by any index: such a page is read in part.
        const bool cut = all.endIndex() - all.text().size() >= 32768;
        thread->reply([store = store, page, raw = all.text(), frame = std::move(frame), cut] {
            if (store)
                store->receive_page(page, raw, frame, cut);
        });
        const int priority_now = state->priority.load();
        if (!run->step_waiting(priority_now)) {
            text_store_step next = *this;
            next.priority = static_cast<pdf_priority>(priority_now);
            ++run->waiting[static_cast<std::size_t>(next.priority)];
            thread->post(id, next.priority, next, ticket);
        }
    }

    // The shown document itself when there are no bytes to open another from.
    QPdfDocument& reading_document(QPdfDocument& shown) const {
        text_store_run& r = *run;
        if (bytes.isEmpty() || r.cannot_reopen)
            return shown;
        if (r.read_in_document >= pages_per_reading_document) {
            r.reading.reset(); // what it kept of the pages read goes with it
            r.buffer.reset();
        }
        if (!r.reading) {
            r.buffer = std::make_unique<QBuffer>();
            r.buffer->setData(bytes);
            r.buffer->open(QIODevice::ReadOnly);
            r.reading = std::make_unique<QPdfDocument>();
            r.reading->setPassword(password);
            r.reading->load(r.buffer.get());
            r.read_in_document = 0;
            if (r.reading->status() != QPdfDocument::Status::Ready) {
                r.reading.reset();
                r.cannot_reopen = true;
                return shown;
            }
        }
        ++r.read_in_document;
        return *r.reading;
    }
};

void text_store::post_step(pdf_priority priority) {
    pdf_thread* thread = document_->thread();
    if (!thread)
        return;
    ++run_->waiting[static_cast<std::size_t>(priority)];
    const work_ticket ticket = generation_.current();
    thread->post(*document_, priority,
                 text_store_step{this, state_, run_, ticket, thread, document_->id(), page_count(),
                                 priority, document_->bytes(), document_->password()},
                 ticket);
}

void text_store::receive_page(int page, QString raw, std::shared_ptr<const text_frame> frame,
                              bool cut) {
    unfolded_.push_back({page, std::move(raw), std::move(frame), cut});
    if (!fold_timer_.isActive()) // started again at every page, it would never fire
        fold_timer_.start();
}

// A page takes a fraction of a millisecond to fold and a search looks through it
// when it comes; the slices keep the event loop free between them.
void text_store::fold_some() {
    constexpr qint64 slice_ms = 4;
    QElapsedTimer clock;
    clock.start();
    while (!unfolded_.empty() && clock.elapsed() < slice_ms) {
        unfolded_page next = std::move(unfolded_.front());
        unfolded_.pop_front();
        page_text text = page_text_of(next.raw, next.cut);
        text.frame = std::move(next.frame);
        take_page(next.page, std::move(text));
    }
    if (!unfolded_.empty())
        fold_timer_.start();
}

void text_store::take_page(int page, page_text text) {
    auto& slot = pages_[static_cast<std::size_t>(page)];
    if (slot)
        return;
    slot = std::move(text);
    text_bytes_ += bytes_of(*slot);
    ++extracted_;
    emit page_extracted(page);
    if (complete())
        emit completed();
}

} // namespace krv
