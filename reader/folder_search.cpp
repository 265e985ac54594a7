#include "folder_search.h"

#include <QPdfDocument>
#include <QPointer>

#include <set>
#include <utility>

namespace krv {

namespace {

// Characters of the line round a hit.
constexpr int line_width = 90;

} // namespace

struct folder_search::entry {
    enum class state { closed, opening, open, skipped };
    state now = state::closed;
    QString reason;                    ///< skipped: why, in French
    std::unique_ptr<text_store> store; ///< open: its text, kept for the run
    shared_document for_lines;         ///< opened again for the search in progress
    bool reopening = false;
    std::set<int> lines_wanted; ///< pages whose text the hits' lines wait for
    std::unique_ptr<text_search> search;
    std::unordered_map<int, QString> page_texts; ///< pages with hits: their text, for the lines
    std::unordered_map<int, std::vector<search_hit>>
        waiting;            ///< hits waiting for their page's text
    bool skip_told = false; ///< the search in progress was told it is skipped
};

folder_search::folder_search(pdf_thread& pdf, QObject* parent) : QObject(parent), pdf_(pdf) {}

folder_search::~folder_search() = default;

folder_search::entry* folder_search::entry_of(int document) {
    if (document < 0 || document >= static_cast<int>(documents_.size()))
        return nullptr;
    const auto found = entries_.find(documents_[static_cast<std::size_t>(document)].path);
    return found == entries_.end() ? nullptr : found->second.get();
}

void folder_search::set_documents(std::vector<folder_document> documents) {
    cancel();
    documents_ = std::move(documents);
    for (const folder_document& d : documents_)
        if (!entries_.count(d.path))
            entries_.emplace(d.path, std::make_unique<entry>());
}

int folder_search::documents_read() const {
    int read = 0;
    for (const folder_document& d : documents_) {
        const entry& e = *entries_.at(d.path);
        read += e.now == entry::state::open && e.store->complete();
    }
    return read;
}

void folder_search::prepare() {
    preparing_ = true;
    open_next_in_background();
}

// One document at a time in the background: its text, then the next one's.
void folder_search::open_next_in_background() {
    for (int i = 0; i < static_cast<int>(documents_.size()); ++i) {
        entry& e = *entry_of(i);
        if (e.now == entry::state::opening || (e.now == entry::state::open && !e.store->complete()))
            return;
        if (e.now == entry::state::closed)
            return open(i);
    }
}

void folder_search::open(int document) {
    entry& e = *entry_of(document);
    e.now = entry::state::opening;
    const QString path = documents_[static_cast<std::size_t>(document)].path;
    QPointer<folder_search> self(this);
    pdf_.open_file(path, QString(), [self, path](opened_document opened) {
        if (!self)
            return;
        // The list may have changed meanwhile: the document is found by its path.
        for (int i = 0; i < static_cast<int>(self->documents_.size()); ++i)
            if (self->documents_[static_cast<std::size_t>(i)].path == path)
                return self->take_opened(i, std::move(opened));
        if (auto found = self->entries_.find(path); found != self->entries_.end())
            found->second->now = entry::state::closed;
    });
}

void folder_search::take_opened(int document, opened_document opened) {
    entry& e = *entry_of(document);
    if (opened.needs_password) {
        e.now = entry::state::skipped;
        e.reason = QStringLiteral("document protégé par un mot de passe, non consulté");
    } else if (!opened.document) {
        e.now = entry::state::skipped;
        e.reason = opened.failure;
    } else {
        e.now = entry::state::open;
        e.store = std::make_unique<text_store>(opened.document);
        connect(e.store.get(), &text_store::completed, this, [this, store = e.store.get()] {
            store->release_document();
            emit document_read();
            if (preparing_)
                open_next_in_background();
        });
        e.store->extract_from(0, running_ ? pdf_priority::search : pdf_priority::background);
    }
    if (running_)
        start_search(document);
    else if (preparing_)
        open_next_in_background();
}

void folder_search::find(const QString& word) {
    cancel();
    word_ = word.trimmed();
    if (word_.isEmpty())
        return;
    running_ = true;
    ++generation_;
    // Every document now, rather than one after the other; each looks through its
    // pages in a turn of the event loop of its own, so that the interface goes on.
    const quint64 generation = generation_;
    for (int i = 0; i < static_cast<int>(documents_.size()); ++i) {
        entry& e = *entry_of(i);
        if (e.now == entry::state::closed)
            open(i);
        else if (e.now != entry::state::opening)
            QMetaObject::invokeMethod(
                this,
                [this, i, generation] {
                    if (generation == generation_ && running_)
                        start_search(i);
                },
                Qt::QueuedConnection);
    }
    if (documents_.empty()) // nothing to look through: done, from the event loop
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == generation_)
                    check_finished();
            },
            Qt::QueuedConnection);
}

void folder_search::cancel() {
    running_ = false;
    word_.clear();
    ++generation_;
    for (auto& [path, e] : entries_) {
        e->search.reset();
        e->waiting.clear();
        e->skip_told = false;
        e->for_lines.reset();
        e->reopening = false;
        e->lines_wanted.clear();
        e->page_texts.clear(); // the lines of the last search only: memory stays bounded
    }
}

void folder_search::start_search(int document) {
    entry& e = *entry_of(document);
    if (e.now == entry::state::skipped) {
        if (!e.skip_told) {
            e.skip_told = true;
            emit document_skipped(document, e.reason);
        }
        return check_finished();
    }
    e.search = std::make_unique<text_search>(*e.store, word_, 0);
    connect(e.search.get(), &text_search::hits_added, this,
            [this, document](int at, int count) { take_hits(document, at, count); });
    connect(e.search.get(), &text_search::done, this, &folder_search::check_finished);
    e.search->start();
}

// New hits: their lines need their page's text, read once per page.
void folder_search::take_hits(int document, int at, int count) {
    entry& e = *entry_of(document);
    for (int i = at; i < at + count; ++i) {
        const search_hit& hit = e.search->hits()[static_cast<std::size_t>(i)];
        e.waiting[hit.page].push_back(hit);
        e.lines_wanted.insert(hit.page);
    }
    read_lines(document);
}

// The pages' texts for the hits' lines: from the document while its text is read,
// else from the document opened again for this search.
void folder_search::read_lines(int document) {
    entry& e = *entry_of(document);
    for (auto page = e.lines_wanted.begin(); page != e.lines_wanted.end();) {
        const auto known = e.page_texts.find(*page);
        if (known == e.page_texts.end()) {
            ++page;
            continue;
        }
        const int known_page = *page;
        page = e.lines_wanted.erase(page);
        take_page_text(document, known_page, known->second);
    }
    if (e.lines_wanted.empty())
        return;
    const shared_document source = e.store->document() ? e.store->document() : e.for_lines;
    if (!source) {
        if (e.reopening)
            return;
        e.reopening = true;
        QPointer<folder_search> self(this);
        const quint64 generation = generation_;
        const QString path = documents_[static_cast<std::size_t>(document)].path;
        pdf_.open_file(path, QString(), [self, generation, document](opened_document opened) {
            if (self && generation == self->generation_)
                self->take_reopened(document, std::move(opened));
        });
        return;
    }
    // Held until the search ends: the store lets go of its document once its text
    // is all there, which may come before these pages are read.
    e.for_lines = source;
    QPointer<folder_search> self(this);
    pdf_thread* thread = &pdf_;
    const quint64 generation = generation_;
    const QString path = documents_[static_cast<std::size_t>(document)].path;
    for (const int page : e.lines_wanted)
        pdf_.post(*source, pdf_priority::search, [=](QPdfDocument& pdf) {
            const QString text = pdf.getAllText(page).text();
            thread->reply([=] {
                if (!self || generation != self->generation_)
                    return;
                if (auto found = self->entries_.find(path); found != self->entries_.end())
                    found->second->page_texts.emplace(page, text);
                self->take_page_text(document, page, text);
            });
        });
    e.lines_wanted.clear();
}

void folder_search::take_reopened(int document, opened_document opened) {
    entry& e = *entry_of(document);
    e.reopening = false;
    if (opened.document && opened.document->page_count() == e.store->page_count()) {
        e.for_lines = opened.document;
        return read_lines(document);
    }
    // Gone or changed since its text was read: the hits show with the text as
    // searched, which is all there is of them now.
    for (const int page : std::exchange(e.lines_wanted, {})) {
        const page_text* text = e.store->text(page);
        take_page_text(document, page, text ? text->folded : QString());
    }
}

void folder_search::take_page_text(int document, int page, const QString& text) {
    entry& e = *entry_of(document);
    const auto waiting = e.waiting.find(page);
    if (waiting == e.waiting.end())
        return;
    // A page's hits come together, in text order.
    std::vector<folder_hit> hits;
    for (const search_hit& hit : waiting->second)
        hits.push_back({document, page, static_cast<int>(hits.size()),
                        line_around(text, hit.start, hit.length, line_width)});
    e.waiting.erase(waiting);
    emit hits_found(hits);
    check_finished();
}

void folder_search::check_finished() {
    if (!running_)
        return;
    for (int i = 0; i < static_cast<int>(documents_.size()); ++i) {
        const entry& e = *entry_of(i);
        if (e.now == entry::state::skipped)
            continue;
        if (e.now != entry::state::open || !e.search || !e.search->finished() || !e.waiting.empty())
            return;
    }
    running_ = false;
    for (auto& [path, e] : entries_)
        e->for_lines.reset();
    emit finished();
}

} // namespace krv
