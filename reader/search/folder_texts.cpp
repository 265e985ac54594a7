#include "folder_texts.h"

#include "file_names.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace krv {

struct folder_texts::entry {
    state now = state::unread;
    QString reason;                    ///< skipped: why, in French
    std::unique_ptr<text_store> store; ///< kept, or being read
    bool too_large = false;            ///< its text once passed the bound
    bool over_limit = false;           ///< while read: its text passes the bound
    int looked_through = 0;            ///< while read: pages the search is done with
    int forgotten = 0;                 ///< while read: pages let go, from the first
};

namespace {

// A store let go of from inside its own signals: it goes from the event loop.
void drop_store(std::unique_ptr<text_store>& store, QObject* listener) {
    if (!store)
        return;
    QObject::disconnect(store.get(), nullptr, listener, nullptr);
    store->release_document();
    store.release()->deleteLater();
}

// The reader and the list may name a file differently ("./a.pdf", "a.pdf").
QString file_key(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

folder_texts::folder_texts(pdf_thread& pdf, QObject* parent) : QObject(parent), pdf_(pdf) {}

folder_texts::~folder_texts() = default;

folder_texts::entry& folder_texts::entry_of(const QString& path) {
    auto& e = entries_[file_key(path)];
    if (!e)
        e = std::make_unique<entry>();
    return *e;
}

bool folder_texts::is_shown(const QString& path) const {
    return shown_ && file_key(path) == shown_file_;
}

folder_texts::state folder_texts::state_of(const QString& path) const {
    if (is_shown(path))
        return shown_->complete() ? state::kept : state::shown;
    const auto found = entries_.find(file_key(path));
    return found == entries_.end() ? state::unread : found->second->now;
}

QString folder_texts::skip_reason(const QString& path) const {
    const auto found = entries_.find(file_key(path));
    return found == entries_.end() ? QString() : found->second->reason;
}

text_store* folder_texts::text(const QString& path) const {
    if (is_shown(path))
        return shown_;
    const auto found = entries_.find(file_key(path));
    return found == entries_.end() ? nullptr : found->second->store.get();
}

int folder_texts::kept_count() const {
    int kept = 0;
    for (const auto& [path, e] : entries_)
        kept += e->now == state::kept;
    return kept;
}

void folder_texts::read(const QString& path, reading_for purpose) {
    if (reading_ == path && purpose_ == purpose)
        return;
    stop_reading();
    if (is_shown(path)) {
        // Its text comes from the reader; a search follows it as it comes.
        if (purpose == reading_for::search && !shown_->complete()) {
            reading_ = path;
            purpose_ = purpose;
            follow_shown();
        }
        return;
    }
    entry& e = entry_of(path);
    if (e.now != state::unread && e.now != state::too_large)
        return;
    e.now = state::reading;
    e.over_limit = false;
    e.looked_through = e.forgotten = 0;
    reading_ = path;
    purpose_ = purpose;
    const quint64 generation = ++reading_generation_;
    QPointer<folder_texts> self(this);
    pdf_.open_file(path, QString(), [self, path, generation](opened_document opened) {
        if (self && generation == self->reading_generation_)
            self->take_opened(path, std::move(opened));
    });
}

void folder_texts::stop_reading() {
    if (reading_.isEmpty())
        return;
    ++reading_generation_;
    if (is_shown(reading_))
        return stop_following();
    entry& e = entry_of(std::exchange(reading_, QString()));
    drop_store(e.store, this);
    e.now = e.too_large ? state::too_large : state::unread;
}

void folder_texts::take_opened(const QString& path, opened_document opened) {
    entry& e = entry_of(path);
    if (!opened.document) {
        e.now = state::skipped;
        e.reason = opened.trouble.text;
        reading_.clear();
        emit finished_reading(path);
        return;
    }
    e.store = std::make_unique<text_store>(opened.document);
    connect(e.store.get(), &text_store::page_extracted, this, &folder_texts::take_page);
    connect(e.store.get(), &text_store::completed, this, &folder_texts::take_complete);
    e.store->extract_from(0, purpose_ == reading_for::search ? pdf_priority::search
                                                             : pdf_priority::background);
}

void folder_texts::take_page(int page) {
    const QString path = reading_;
    entry& e = entry_of(path);
    if (!e.over_limit && kept_bytes_ + e.store->text_bytes() > kept_text_limit) {
        e.over_limit = e.too_large = true;
        if (purpose_ == reading_for::background) {
            // Nobody looks through it now: it is read at each search instead.
            stop_reading();
            e.now = state::too_large;
            emit finished_reading(path);
            return;
        }
        looked_through(path, e.looked_through);
    }
    emit page_read(path, page);
}

void folder_texts::looked_through(const QString& path, int page) {
    entry& e = entry_of(path);
    e.looked_through = std::max(e.looked_through, page);
    for (; e.over_limit && e.store && e.forgotten < e.looked_through; ++e.forgotten)
        e.store->forget(e.forgotten);
}

void folder_texts::take_complete() {
    const QString path = std::exchange(reading_, QString());
    entry& e = entry_of(path);
    if (e.over_limit) {
        drop_store(e.store, this);
        e.now = state::too_large;
    } else {
        disconnect(e.store.get(), nullptr, this, nullptr);
        e.store->release_document(); // the text stays; the document closes
        kept_bytes_ += e.store->text_bytes();
        e.now = state::kept;
    }
    emit finished_reading(path);
}

void folder_texts::show_text(const QString& path, text_store* store) {
    if (store && store->document() && !store->document()->password().isEmpty())
        store = nullptr; // its text is kept from searches, as when it is not shown
    if (shown_ == store)
        return;
    const QString reading = reading_;
    const reading_for purpose = purpose_;
    const bool affects_reading =
        !reading.isEmpty() && (is_shown(reading) || (store && file_key(reading) == file_key(path)));
    if (affects_reading)
        stop_reading();
    if (shown_)
        disconnect(shown_, nullptr, this, nullptr);
    shown_ = store;
    shown_file_ = store ? file_key(path) : QString();
    if (store) {
        connect(store, &text_store::leaving, this, [this, store] { take_leaving(*store); });
        // One text per document: a copy read here before goes.
        entry& e = entry_of(path);
        if (e.store) {
            if (e.now == state::kept)
                kept_bytes_ -= e.store->text_bytes();
            drop_store(e.store, this);
        }
        e.now = e.too_large ? state::too_large : state::unread;
    }
    if (!affects_reading)
        return;
    if (purpose == reading_for::search)
        read(reading, purpose);
    else
        emit finished_reading(reading); // the background goes on with the next one
}

// A search waits for the shown document's pages: they come from the reader's store.
void folder_texts::follow_shown() {
    shown_page_ = connect(shown_, &text_store::page_extracted, this,
                          [this](int page) { emit page_read(reading_, page); });
    shown_complete_ = connect(shown_, &text_store::completed, this, [this] {
        const QString path = reading_;
        stop_following();
        emit finished_reading(path);
    });
    shown_->extract_from(0, pdf_priority::search);
}

void folder_texts::stop_following() {
    disconnect(shown_page_);
    disconnect(shown_complete_);
    reading_.clear();
}

// The reader lets go of its text: kept here when whole and within the bound.
void folder_texts::take_leaving(text_store& store) {
    const QString reading = reading_;
    const bool was_read = !reading.isEmpty() && is_shown(reading);
    if (was_read) {
        ++reading_generation_;
        stop_following();
    }
    entry& e = entry_of(shown_file_);
    shown_ = nullptr;
    shown_file_.clear();
    if (store.complete() && !e.too_large && e.now == state::unread &&
        kept_bytes_ + store.text_bytes() <= kept_text_limit) {
        e.store = text_store::take_texts(store);
        kept_bytes_ += e.store->text_bytes();
        e.now = state::kept;
    }
    if (was_read)
        read(reading, reading_for::search);
}

} // namespace krv
