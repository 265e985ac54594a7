#include "folder_search.h"

#include <QElapsedTimer>
#include <QPdfDocument>
#include <QPointer>
#include <QTimer>

#include <set>

namespace krv {

namespace {

// Characters of the line round a hit.
constexpr int line_width = 90;
// Kept text is looked through a few milliseconds at a time: the interface goes on.
constexpr qint64 slice_ms = 4;

} // namespace

// The search in progress: the document it looks through, and the lines its
// listed hits wait for.
struct folder_search::walk {
    int document = 0;
    int page = 0;                 ///< the next page to look through
    bool looked_through = false;  ///< every page of the document has been
    shared_document lines_source; ///< the document open for the lines, until they are in
    bool opening = false;         ///< being opened for them
    std::map<int, std::vector<search_hit>> waiting; ///< by page: hits waiting for their line
    std::set<int> asked;                            ///< pages whose text is asked for
    std::vector<int> cut_pages; ///< of the document, whose text Qt PDF gave in part
    int listed = 0;
    qint64 found = 0; ///< listed or not
    int documents_with_hits = 0;
    bool document_has_hits = false;
};

folder_search::folder_search(pdf_thread& pdf, QObject* parent)
    : QObject(parent), pdf_(pdf), texts_(pdf) {
    connect(&texts_, &folder_texts::page_read, this, &folder_search::take_page_read);
    connect(&texts_, &folder_texts::finished_reading, this, &folder_search::take_finished_reading);
}

folder_search::~folder_search() = default;

const QString& folder_search::current_path() const {
    return documents_[static_cast<std::size_t>(walk_->document)].path;
}

void folder_search::set_documents(std::vector<folder_document> documents) {
    drop_search();
    documents_ = std::move(documents);
}

int folder_search::documents_read() const {
    int read = 0;
    for (const folder_document& d : documents_)
        read += texts_.state_of(d.path) == folder_texts::state::kept;
    return read;
}

void folder_search::prepare() {
    preparing_ = true;
    read_next_in_background();
}

// One document at a time in the background, and none while a search reads them.
void folder_search::read_next_in_background() {
    if (!preparing_ || running_ || !texts_.reading().isEmpty())
        return;
    for (const folder_document& d : documents_)
        if (texts_.state_of(d.path) == folder_texts::state::unread)
            return texts_.read(d.path, reading_for::background);
}

void folder_search::take_finished_reading(const QString& path) {
    emit document_read();
    if (!running_)
        return read_next_in_background();
    if (path != current_path())
        return;
    const quint64 generation = generation_;
    if (texts_.state_of(path) == folder_texts::state::skipped)
        emit document_skipped(walk_->document, texts_.skip_reason(path));
    if (generation != generation_)
        return;
    walk_->looked_through = true;
    end_of_document();
}

void folder_search::take_page_read(const QString& path, int) {
    if (running_ && path == current_path())
        look_through();
}

void folder_search::find(const QString& word) {
    drop_search();
    word_ = word.trimmed();
    if (word_.isEmpty())
        return read_next_in_background();
    needle_ = fold_for_search(word_);
    running_ = true;
    walk_ = std::make_unique<walk>();
    // The document read in the background is let go: the search reads them in
    // order, and only one is open at a time.
    texts_.stop_reading();
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == generation_ && running_)
                next_document();
        },
        Qt::QueuedConnection);
}

void folder_search::cancel() {
    drop_search();
    read_next_in_background();
}

void folder_search::drop_search() {
    if (running_)
        texts_.stop_reading(); // one read for the search, at its pace
    running_ = false;
    word_.clear();
    ++generation_;
    walk_.reset();
}

void folder_search::next_document() {
    const quint64 generation = generation_;
    for (; walk_->document < static_cast<int>(documents_.size()); ++walk_->document) {
        const QString& path = current_path();
        walk_->page = 0;
        walk_->looked_through = walk_->document_has_hits = false;
        walk_->cut_pages.clear();
        switch (texts_.state_of(path)) {
        case folder_texts::state::skipped:
            emit document_skipped(walk_->document, texts_.skip_reason(path));
            if (generation != generation_)
                return; // dropped meanwhile
            continue;
        case folder_texts::state::kept:
            return look_through();
        default: // read now, each page looked through as it comes
            return texts_.read(path, reading_for::search);
        }
    }
    running_ = false;
    emit counted(walk_->found, walk_->documents_with_hits);
    emit finished();
    read_next_in_background();
}

// The pages there from the next on, in order.
void folder_search::look_through() {
    const QString& path = current_path();
    const text_store* store = texts_.text(path);
    if (!store)
        return;
    const bool kept = texts_.state_of(path) == folder_texts::state::kept;
    QElapsedTimer clock;
    clock.start();
    while (walk_->page < store->page_count()) {
        const page_text* text = store->text(walk_->page);
        if (!text)
            return; // not read yet: it comes
        look_through_page(*text, walk_->page++);
        texts_.looked_through(path, walk_->page);
        if (kept && walk_->page < store->page_count() && clock.elapsed() >= slice_ms) {
            const quint64 generation = generation_;
            QTimer::singleShot(0, this, [this, generation] {
                if (generation == generation_ && running_)
                    look_through();
            });
            return;
        }
    }
    if (kept) {
        walk_->looked_through = true;
        end_of_document();
    }
}

void folder_search::look_through_page(const page_text& text, int page) {
    if (text.cut)
        walk_->cut_pages.push_back(page);
    std::vector<search_hit> hits = find_in_page(text, page, needle_);
    if (hits.empty())
        return;
    walk_->found += static_cast<qint64>(hits.size());
    if (!std::exchange(walk_->document_has_hits, true))
        ++walk_->documents_with_hits;
    const auto room = static_cast<std::size_t>(listed_hits_limit - walk_->listed);
    if (room == 0)
        return;
    hits.resize(std::min(room, hits.size()));
    walk_->listed += static_cast<int>(hits.size());
    walk_->waiting.emplace(page, std::move(hits));
    read_lines();
}

// The lines of the hits waiting, read from the document being read, or from the
// document opened again for them (a kept text is folded, not fit to show).
void folder_search::read_lines() {
    if (!walk_->lines_source)
        if (const text_store* store = texts_.text(current_path()))
            walk_->lines_source = store->document();
    if (!walk_->lines_source) {
        if (std::exchange(walk_->opening, true))
            return;
        QPointer<folder_search> self(this);
        const quint64 generation = generation_;
        pdf_.open_file(current_path(), QString(), [self, generation](opened_document opened) {
            if (self && generation == self->generation_)
                self->take_lines_document(std::move(opened));
        });
        return;
    }
    QPointer<folder_search> self(this);
    pdf_thread* thread = &pdf_;
    const quint64 generation = generation_;
    for (const auto& [page, hits] : walk_->waiting) {
        if (!walk_->asked.insert(page).second)
            continue;
        pdf_.post(*walk_->lines_source, pdf_priority::search, [=, page = page](QPdfDocument& pdf) {
            const QString text = pdf.getAllText(page).text();
            thread->reply([=] {
                if (self && generation == self->generation_)
                    self->take_line(page, text);
            });
        });
    }
}

void folder_search::take_lines_document(opened_document opened) {
    walk_->opening = false;
    const text_store* store = texts_.text(current_path());
    if (opened.document && store && opened.document->page_count() == store->page_count()) {
        walk_->lines_source = opened.document;
        return read_lines();
    }
    // Gone or changed since its text was read: the hits show with the text as
    // searched, which is all there is of them now.
    for (const auto& [page, hits] : std::map(walk_->waiting)) {
        const page_text* text = store ? store->text(page) : nullptr;
        take_line(page, text ? text->folded : QString());
    }
}

void folder_search::take_line(int page, const QString& text) {
    const auto waiting = walk_->waiting.find(page);
    if (waiting == walk_->waiting.end())
        return;
    // A page's hits come together, in text order.
    std::vector<folder_hit> hits;
    for (const search_hit& hit : waiting->second)
        hits.push_back({walk_->document, page, static_cast<int>(hits.size()),
                        line_around(text, hit.start, hit.length, line_width)});
    walk_->waiting.erase(waiting);
    walk_->asked.erase(page);
    const quint64 generation = generation_;
    emit hits_found(hits);
    if (generation == generation_)
        end_of_document();
}

// Once every page has been looked through and every line is in, the document is
// let go and the next one's turn comes.
void folder_search::end_of_document() {
    if (!walk_->looked_through || !walk_->waiting.empty() || walk_->opening)
        return;
    walk_->lines_source.reset();
    const quint64 generation = generation_;
    if (!walk_->cut_pages.empty())
        emit document_partly_searched(walk_->document, partial_search_note(walk_->cut_pages));
    emit counted(walk_->found, walk_->documents_with_hits);
    if (generation != generation_)
        return;
    ++walk_->document;
    next_document();
}

} // namespace krv
