#include "text_store.h"

#include "page_text_reading.h"
#include "text.h"
#include "text_reading_process.h"

#include <QElapsedTimer>
#include <QPdfDocument>
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
    /// Pages read, here or by the text-reading process (marked on the GUI thread as
    /// they come from it): the pdf thread skips them.
    std::unique_ptr<std::atomic<bool>[]> done;
};

// One run of extraction, from extract_from until stop: its steps share it, and
// it goes with the last of them, whether they ran or were dropped as stale.
struct text_store_run {
    std::array<std::atomic<int>, 4> waiting{}; ///< steps waiting, by priority
    /// The pages' texts with their frames (pdf thread only; let go once done).
    page_text_reader reader;

    text_store_run(QByteArray bytes, QString password, QSizeF page_size)
        : reader(std::move(bytes), std::move(password), page_size) {}

    // Once every page is done: what the pdf thread holds for the run goes.
    void let_go() { reader.let_go(); }

    // Whether a step waits that runs as soon as `priority` asks.
    bool step_waiting(int priority) const {
        for (int p = 0; p <= priority; ++p)
            if (waiting[static_cast<std::size_t>(p)].load() > 0)
                return true;
        return false;
    }
};

namespace {

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
    taken_.assign(static_cast<std::size_t>(pages), false);
    state_->done = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(pages));
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
    kept->taken_ = std::exchange(from.taken_, std::vector<bool>(kept->pages_.size(), false));
    from.pages_.assign(kept->pages_.size(), std::nullopt);
    return kept;
}

void text_store::stop() {
    generation_.next();
    run_.reset();
    let_go_of_apart();
}

// A long document's pages from the one before `from` backwards are read by the
// text-reading process while the pdf thread reads on from `from`: the pages near
// the reader come first both ways, and the two meet wherever their pace brings
// them (the pdf thread also paints, and either may have the busier core).
void text_store::read_apart(int from) {
    constexpr int fewest_pages = 200; // fewer take less time than the process to start
    const int pages = page_count();
    if (pages < fewest_pages || !text_reading_process::available() || document_->bytes().isEmpty())
        return;
    std::vector<int> asked;
    for (int i = 1; i < pages; ++i)
        if (const int page = ((from - i) % pages + pages) % pages; !taken_[page])
            asked.push_back(page);
    if (asked.empty())
        return;
    apart_ = std::make_unique<text_reading_process>(document_->bytes(), document_->password(),
                                                    document_->first_page_size(), std::move(asked));
    connect(apart_.get(), &text_reading_process::page_read, this,
            [this](int page, QString raw, std::shared_ptr<const text_frame> frame, bool cut) {
                state_->done[static_cast<std::size_t>(page)] = true;
                receive_page(page, std::move(raw), std::move(frame), cut);
            });
    connect(apart_.get(), &text_reading_process::failed, this, [this] {
        // What it has not sent is read here.
        let_go_of_apart();
        const int priority = state_->priority.load();
        if (run_ && !run_->step_waiting(priority))
            post_step(static_cast<pdf_priority>(priority));
    });
    apart_->start();
}

// Later, as it may be what is calling, and without waiting for its process to go.
void text_store::let_go_of_apart() {
    if (apart_) {
        apart_->disconnect(this);
        apart_->setParent(this);
        apart_.release()->end_later();
    }
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
    if (!run_) {
        run_ = std::make_shared<text_store_run>(document_->bytes(), document_->password(),
                                                document_->first_page_size());
        read_apart(state_->from);
    }
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

    void operator()(QPdfDocument& document) const {
        --run->waiting[static_cast<std::size_t>(priority)];
        const int from = state->from.load();
        int page = -1;
        for (int i = 0; i < pages && page < 0; ++i) {
            const int candidate = (from + i) % pages;
            if (!state->done[static_cast<std::size_t>(candidate)])
                page = candidate;
        }
        if (page < 0)
            return run->let_go();
        state->done[static_cast<std::size_t>(page)] = true;
        // Folded where it is kept: long-lived text allocated on the pdf thread would
        // pin its heap between what pdfium frees.
        thread->reply([store = store, page, read = *run->reader.read(page, &document)] {
            if (store)
                store->receive_page(page, read.raw, read.frame, read.cut);
        });
        const int priority_now = state->priority.load();
        if (!run->step_waiting(priority_now)) {
            text_store_step next = *this;
            next.priority = static_cast<pdf_priority>(priority_now);
            ++run->waiting[static_cast<std::size_t>(next.priority)];
            thread->post(id, next.priority, next, ticket);
        }
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
                                 priority},
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
    if (taken_[static_cast<std::size_t>(page)]) // read twice, or forgotten
        return;
    taken_[static_cast<std::size_t>(page)] = true;
    auto& slot = pages_[static_cast<std::size_t>(page)];
    slot = std::move(text);
    text_bytes_ += bytes_of(*slot);
    ++extracted_;
    emit page_extracted(page);
    if (complete()) {
        let_go_of_apart(); // the two readers have met: what it would read now is there
        emit completed();
    }
}

} // namespace krv
