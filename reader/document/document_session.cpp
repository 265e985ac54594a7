#include "document_session.h"
#include "failure_texts.h"

#include "file_names.h"
#include "structure_reader.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

namespace krv {

namespace {

// Enough for any burst of typing; a key held down repeats no further than this.
constexpr std::size_t most_keys_kept = 64;

} // namespace

document_session::document_session(pdf_thread& pdf, QObject* parent) : QObject(parent), pdf_(pdf) {
    // A changed file is read again a moment later, once its writer is done.
    reload_timer_.setSingleShot(true);
    reload_timer_.setInterval(300);
    connect(&reload_timer_, &QTimer::timeout, this, &document_session::reload);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { reload_timer_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (type_of(src_) != file_type::missing && !watcher_.files().contains(src_))
            reload_timer_.start(); // replaced by a new file under the same name
    });
}

document_session::~document_session() = default;

bool document_session::opening() const {
    return state_ == state::preparing || state_ == state::opening ||
           state_ == state::asking_password;
}

bool document_session::coming() const {
    return state_ == state::preparing || state_ == state::prepared || state_ == state::opening;
}

shared_document document_session::prepared_document() const {
    return state_ == state::prepared ? held_.document : nullptr;
}

void document_session::prepare(const QString& path) {
    held_ = {};
    state_ = state::preparing;
    // The same file again opens with the password it was given.
    post_open(path, path == src_ ? password_ : QString());
}

void document_session::open(const QString& path, const document_place& place) {
    place_ = place;
    src_ = path;
    watch(path);
    if (state_ == state::prepared && held_.path == path) {
        // What was read at the request is what shows, even if the file has gone since.
        return arrive(std::exchange(held_, {}));
    }
    if (state_ == state::preparing && requested_ == path) {
        state_ = state::opening; // shown when its opening comes back
        return;
    }
    held_ = {};
    state_ = state::opening;
    post_open(path, QString());
}

void document_session::post_open(const QString& path, const QString& password) {
    requested_ = path;
    const quint64 generation = ++generation_;
    QPointer<document_session> self(this);
    pdf_.open_file(path, password, [self, generation](opened_document result) {
        if (self)
            self->take_opened(generation, std::move(result));
    });
}

void document_session::take_opened(quint64 generation, opened_document result) {
    if (generation != generation_)
        return; // another request came since
    if (state_ == state::preparing) {
        held_ = std::move(result);
        state_ = state::prepared;
        emit prepared();
        return;
    }
    if (state_ == state::opening)
        arrive(std::move(result));
}

void document_session::arrive(opened_document result) {
    if (result.needs_password())
        ask_password(std::move(result), false);
    else
        show(std::move(result), false);
}

void document_session::ask_password(opened_document result, bool again) {
    const QString name = readable_file_name(file_name_of(result.path));
    const document_place place = place_; // kept for the document once it opens
    if (!again)
        fail(failure_text(failure_kind::password_required, name));
    place_ = place;
    state_ = state::asking_password;
    held_ = std::move(result);
    const quint64 generation = ++generation_;
    // Asked from the event loop: a dialog opened inside a reply would run its
    // own loop there, under whatever called it.
    QTimer::singleShot(0, this, [this, generation, name, again] {
        if (generation == generation_ && state_ == state::asking_password)
            emit password_needed(name, again);
    });
}

void document_session::give_password(const std::optional<QString>& password) {
    if (state_ != state::asking_password)
        return;
    const QString path = held_.path;
    if (!password) {
        // Given up on: the message offers to give it after all.
        held_ = {};
        fail(failure_text(failure_kind::password_required, readable_file_name(file_name_of(path))),
             true);
        return;
    }
    state_ = state::opening;
    const quint64 generation = ++generation_;
    QPointer<document_session> self(this);
    const QByteArray bytes = std::exchange(held_, {}).bytes;
    pdf_.open_bytes(
        bytes, *password,
        [self, generation, path](opened_document opened) {
            if (!self || generation != self->generation_ || self->state_ != state::opening)
                return;
            opened.path = path;
            if (opened.needs_password())
                self->ask_password(std::move(opened), true);
            else
                self->show(std::move(opened), false);
        },
        readable_file_name(file_name_of(path)));
}

void document_session::reload() {
    if (!src_.isEmpty() && type_of(src_) != file_type::missing && !watcher_.files().contains(src_))
        watcher_.addPath(src_); // back under watch once replaced
    if (state_ != state::shown && state_ != state::reloading)
        return;
    state_ = state::reloading;
    const quint64 generation = ++generation_;
    const QString path = src_;
    QPointer<document_session> self(this);
    // Bytes equal to those shown open nothing.
    pdf_.open_file(
        path, password_,
        [self, generation, path](opened_document result) {
            if (!self || generation != self->generation_ || self->state_ != state::reloading)
                return;
            self->state_ = state::shown;
            // Caught half-written or gone: what shows stays until it opens cleanly.
            if (result.document && result.path == path)
                self->show(std::move(result), true);
        },
        shown_bytes_);
}

void document_session::watch(const QString& path) {
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    // The paths' own bytes decide (a name that is not UTF-8 is not watched by
    // itself, which Qt cannot do; its folder's changes still bring it back).
    if (!path.isEmpty() && type_of(path) != file_type::missing)
        watcher_.addPath(path);
    const QString folder = folder_of(path);
    if (!path.isEmpty() && type_of(folder) == file_type::folder)
        watcher_.addPath(folder);
}

void document_session::close() {
    watch({});
    reload_timer_.stop();
    ++generation_;
    held_ = {};
    place_ = {};
    awaiting_destination_ = false;
    keys_waiting_.clear();
    page_waiting_ = 0;
    drop_document();
    state_ = state::closed;
}

void document_session::show(opened_document result, bool same_file) {
    if (!result.document)
        return fail(result.trouble.text);
    emit text_leaving();
    store_.reset();
    if (structure_)
        structure_->close();
    history_.clear();
    shown_ = std::move(result.document);
    shown_bytes_ = std::move(result.bytes);
    password_ = result.password;
    state_ = state::shown;
    store_ = std::make_unique<text_store>(shown_);
    connect(store_.get(), &text_store::completed, this, &document_session::text_complete);
    // The structure and the text are read once the first page is on screen.
    structure_pending_ = true;
    emit document_changed(same_file);
    if (!same_file)
        resolve_place();
    emit document_shown();
}

void document_session::fail(const QString& text, bool offers_password) {
    ++generation_;
    state_ = state::failed;
    place_ = {};
    awaiting_destination_ = false;
    keys_waiting_.clear();
    page_waiting_ = 0;
    drop_document();
    emit message(text, offers_password);
}

void document_session::drop_document() {
    emit text_leaving();
    store_.reset();
    if (structure_)
        structure_->close();
    structure_pending_ = false;
    history_.clear();
    shown_.reset();
    shown_bytes_.clear();
    password_.clear();
}

structure_reader& document_session::structure() {
    if (!structure_) {
        structure_ = std::make_unique<structure_reader>(nullptr);
        connect(structure_.get(), &structure_reader::form_merged, this,
                &document_session::show_copy);
        connect(structure_.get(), &structure_reader::destination_read, this,
                [this](const std::optional<jump_target>& target) {
                    if (std::exchange(awaiting_destination_, false))
                        emit place_found(target, std::exchange(place_, {}));
                });
    }
    return *structure_;
}

void document_session::start_structure() {
    if (!structure_pending_ || !shown_)
        return;
    structure_pending_ = false;
    structure().open(shown_->bytes(), password_);
}

void document_session::resolve_place() {
    awaiting_destination_ = false;
    if (place_.destination.isEmpty())
        return emit place_found(std::nullopt, std::exchange(place_, {}));
    // A name is looked up in the structure, read now rather than once the first
    // page has painted, so that the page shows at its place as soon as it can.
    awaiting_destination_ = true;
    start_structure();
    structure().request_destination(place_.destination);
}

// The same document with its fields drawn in, shown in place of the original.
void document_session::show_copy(const QByteArray& bytes) {
    if (!shown_)
        return;
    QPointer<document_session> self(this);
    const quint64 original = shown_->id();
    pdf_.open_bytes(bytes, password_, [self, original](opened_document merged) {
        if (!self || !self->shown_ || self->shown_->id() != original || !merged.document ||
            merged.document->page_count() != self->shown_->page_count())
            return; // what shows stays: the pages, without their fields
        emit self->text_leaving();
        self->shown_ = std::move(merged.document);
        // The fields' values are text too.
        self->store_ = std::make_unique<text_store>(self->shown_);
        connect(self->store_.get(), &text_store::completed, self, &document_session::text_complete);
        emit self->copy_shown();
    });
}

void document_session::keep_key(const QKeyEvent& key, key_origin origin) {
    if (keys_waiting_.size() < most_keys_kept)
        keys_waiting_.push_back({key.key(), key.modifiers(), key.text(), origin});
}

} // namespace krv
