#include "text_search.h"

#include "text.h"

#include <QElapsedTimer>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace krv {

std::vector<search_hit> find_in_page(const page_text& text, int page, const QString& needle) {
    std::vector<search_hit> hits;
    if (needle.isEmpty())
        return hits;
    for (qsizetype at = text.folded.indexOf(needle); at >= 0;
         at = text.folded.indexOf(needle, at + needle.size())) {
        const int first = text.original_index(static_cast<int>(at));
        const int last = text.original_index(static_cast<int>(at + needle.size() - 1));
        hits.push_back({page, first, last - first + 1});
    }
    return hits;
}

QString search_status_text(const search_state& state) {
    const QString progress = QStringLiteral("recherche… %1\u00a0%").arg(state.percent);
    if (state.hits == 0)
        return state.running ? QStringLiteral("Recherche… %1\u00a0%").arg(state.percent)
                             : QStringLiteral("Aucun résultat");
    const QString count =
        state.current < 0
            ? count_of(state.hits, QStringLiteral("résultat"), QStringLiteral("résultats"))
            : QStringLiteral("%1 sur %2")
                  .arg(number_text(state.current + 1), number_text(state.hits));
    return state.running ? QStringLiteral("%1, %2").arg(count, progress) : count;
}

QString partial_search_note(const std::vector<int>& cut_pages) {
    if (cut_pages.empty())
        return {};
    const QString pages =
        cut_pages.size() == 1
            ? QStringLiteral("page %1 trop longue").arg(cut_pages.front() + 1)
            : count_of(static_cast<qint64>(cut_pages.size()), QStringLiteral("page trop longue"),
                       QStringLiteral("pages trop longues"));
    return QStringLiteral("recherche partielle\u00a0: %1").arg(pages);
}

text_search::text_search(text_store& store, const QString& needle, int from_page,
                         hidden_hits hidden)
    : store_(store), needle_(fold_for_search(needle.trimmed())),
      from_(store.page_count() ? std::clamp(from_page, 0, store.page_count() - 1) : 0),
      hidden_(hidden) {
    searched_pages_.assign(static_cast<std::size_t>(store.page_count()), 0);
    rectangles_asked_.assign(searched_pages_.size(), 0);
}

void text_search::start() {
    since_progress_.start();
    connect(&store_, &text_store::page_extracted, this, &text_search::search_page);
    if (store_.page_count() == 0) {
        emit done();
        return;
    }
    store_.extract_from(from_, pdf_priority::search);
    look_through_extracted();
}

// The pages extracted already, from the starting page on, a few milliseconds'
// worth at a time: thousands of them would hold the event loop for tens of
// milliseconds. Those extracted meanwhile come through page_extracted.
void text_search::look_through_extracted() {
    constexpr qint64 slice_ms = 4;
    QElapsedTimer clock;
    clock.start();
    const int pages = store_.page_count();
    while (scanned_ < pages && clock.elapsed() < slice_ms) {
        const int page = (from_ + scanned_++) % pages;
        if (store_.text(page))
            search_page(page);
    }
    if (scanned_ < pages && !finished())
        QTimer::singleShot(0, this, &text_search::look_through_extracted);
}

void text_search::search_page(int page) {
    auto& searched = searched_pages_[static_cast<std::size_t>(page)];
    const page_text* text = store_.text(page);
    if (searched || !text)
        return;
    if (text->cut)
        cut_pages_.push_back(page);
    std::vector<search_hit> found = find_in_page(*text, page, needle_);
    const shared_document& document = store_.document();
    if (!found.empty() && hidden_ == hidden_hits::left_out && text->frame &&
        text->frame->partly_hidden && document && document->thread()) {
        searched = 2;
        keep_shown_hits(page, std::move(found), text->frame);
        return;
    }
    page_searched(page, std::move(found));
}

// On a page with text outside it, each hit's boxes tell whether it shows; they are
// kept to light it.
void text_search::keep_shown_hits(int page, std::vector<search_hit> found,
                                  std::shared_ptr<const text_frame> frame) {
    rectangles_asked_[static_cast<std::size_t>(page)] = 1;
    const shared_document& document = store_.document();
    pdf_thread* thread = document->thread();
    QPointer<text_search> self(this);
    thread->post(*document, pdf_priority::search, [=](QPdfDocument& pdf) {
        std::vector<search_hit> shown;
        std::vector<std::vector<QRectF>> rects;
        for (const search_hit& hit : found) {
            auto where = shown_rectangles(
                pdf.getSelectionAtIndex(page, hit.start, hit.length).bounds(), frame.get());
            if (!on_page(where, *frame))
                continue;
            shown.push_back(hit);
            rects.push_back(std::move(where));
        }
        thread->reply([self, page, shown, rects] {
            if (!self)
                return;
            self->rectangles_[page] = rects;
            self->page_searched(page, shown);
        });
    });
}

void text_search::page_searched(int page, std::vector<search_hit> found) {
    searched_pages_[static_cast<std::size_t>(page)] = 1;
    ++searched_;
    if (!found.empty()) {
        const auto at = std::lower_bound(hits_.begin(), hits_.end(), page,
                                         [](const search_hit& h, int p) { return h.page < p; });
        const int index = static_cast<int>(at - hits_.begin());
        hits_.insert(at, found.begin(), found.end());
        if (first_hit_ >= index)
            first_hit_ += static_cast<int>(found.size());
        emit hits_added(index, static_cast<int>(found.size()));
    }
    advance_front();
    if (!finished() && since_progress_.elapsed() >= 100) {
        since_progress_.restart();
        emit progressed();
    }
    if (finished()) {
        // Back to the background pace: nothing waits for the pages any more.
        store_.extract_from(from_, pdf_priority::background);
        emit done();
    }
}

// The first hit is the first of the page nearest after the start with any: known
// once every page from the start to it has been looked through.
void text_search::advance_front() {
    const int pages = store_.page_count();
    while (first_hit_ < 0 && front_ < pages) {
        const int page = (from_ + front_) % pages;
        if (searched_pages_[static_cast<std::size_t>(page)] != 1)
            return;
        const auto at = std::lower_bound(hits_.begin(), hits_.end(), page,
                                         [](const search_hit& h, int p) { return h.page < p; });
        if (at != hits_.end() && at->page == page) {
            first_hit_ = static_cast<int>(at - hits_.begin());
            emit first_hit_known();
            return;
        }
        ++front_;
    }
}

const std::vector<QRectF>* text_search::rectangles(const search_hit& hit) const {
    const auto found = rectangles_.find(hit.page);
    if (found == rectangles_.end())
        return nullptr;
    const auto first = std::lower_bound(hits_.begin(), hits_.end(), hit.page,
                                        [](const search_hit& h, int p) { return h.page < p; });
    for (auto it = first; it != hits_.end() && it->page == hit.page; ++it)
        if (it->start == hit.start) {
            const auto index = static_cast<std::size_t>(it - first);
            return index < found->second.size() ? &found->second[index] : nullptr;
        }
    return nullptr;
}

void text_search::request_rectangles(int page) {
    const shared_document& document = store_.document();
    pdf_thread* thread = document ? document->thread() : nullptr;
    if (!thread || page < 0 || page >= store_.page_count() ||
        rectangles_asked_[static_cast<std::size_t>(page)])
        return;
    rectangles_asked_[static_cast<std::size_t>(page)] = 1;
    std::vector<search_hit> of_page;
    for (const search_hit& hit : hits_)
        if (hit.page == page)
            of_page.push_back(hit);
    const page_text* text = store_.text(page);
    std::shared_ptr<const text_frame> frame = text ? text->frame : nullptr;
    QPointer<text_search> self(this);
    thread->post(*document, pdf_priority::interactive, [=](QPdfDocument& pdf) {
        std::vector<std::vector<QRectF>> rects;
        for (const search_hit& hit : of_page)
            rects.push_back(shown_rectangles(
                pdf.getSelectionAtIndex(hit.page, hit.start, hit.length).bounds(), frame.get()));
        thread->reply([self, page, rects = std::move(rects)] {
            if (!self)
                return;
            self->rectangles_[page] = rects;
            emit self->rectangles_read(page);
        });
    });
}

} // namespace krv
