// A document's whole life in the reader, without any widget: asked for (or
// opened ahead of the request), perhaps protected by a password, shown, read
// again a moment after its file changes, failed or closed. One state says where it stands;
// with it go the place to open at, the keys typed while it opens, its text, its
// structure (outline, links, form fields) and the way back between places. The
// reader's widget shows what the session says and hands it the user's answers.
#pragma once

#include "document_place.h"
#include "history.h"
#include "pdf_thread.h"
#include "structure_types.h"
#include "text_store.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QKeyEvent;

namespace krv {

class structure_reader;

/// Where a key press that reaches the reader was typed.
enum class key_origin {
    reader_window, ///< the window the reader stands in
    other_window,  ///< another window of the program, which has nothing to scroll
};

/// A key typed while the document opened, applied once it shows.
struct waiting_key {
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    key_origin origin;
};

class document_session : public QObject {
    Q_OBJECT
public:
    enum class state {
        closed,          ///< nothing asked for
        preparing,       ///< opened ahead of the request (prepare), not asked for yet
        prepared,        ///< opened ahead, kept until asked for
        opening,         ///< asked for: shown as soon as it opens
        asking_password, ///< protected: waits for the user's password (give_password)
        shown,           ///< its pages show
        reloading,       ///< shown, and its changed file is read again
        failed,          ///< a message says why it cannot show
    };
    Q_ENUM(state)

    explicit document_session(pdf_thread& pdf, QObject* parent = nullptr);
    ~document_session() override;

    state current() const { return state_; }
    /// The path asked for last (open), shown or not.
    const QString& src() const { return src_; }
    /// Starts opening a document that open() will soon ask for.
    void prepare(const QString& path);
    /// Shows the document at `path`, at a place (its first page when the place is
    /// empty or not in the document); with a password asked for it, again.
    void open(const QString& path, const document_place& place = {});
    /// Reads the shown file again; a copy that opens cleanly and differs replaces it.
    /// The session does it by itself a moment after its file or folder changes.
    void reload();
    /// The user's answer to password_needed; nothing gives up.
    void give_password(const std::optional<QString>& password);
    /// Forgets the document and whatever was asked for.
    void close();

    /// Whether an answer is still to come (the pdf thread's or the user's).
    bool opening() const;
    /// Whether a document asked for has neither shown nor failed yet.
    bool coming() const;

    const shared_document& document() const { return shown_; }
    /// The shown document's password (empty when it has none).
    const QString& password() const { return password_; }
    /// The document opened ahead (prepared), to render its first screen early.
    shared_document prepared_document() const;
    /// The shown document's text, extracted in the background; null without a
    /// document. The search in it and the search in every document share it.
    text_store* text() const { return store_.get(); }
    /// The places links and the outline led to in the shown document.
    navigation_history& history() { return history_; }
    const navigation_history& history() const { return history_; }
    /// The shown document's structure, read once its first page is on screen
    /// (start_structure); made on first use.
    structure_reader& structure();
    /// Starts reading the structure, once per document shown.
    void start_structure();
    /// Looks up the place open() asked for; place_found follows.
    void resolve_place();

    /// Keys typed while the document opens, applied once it shows.
    void keep_key(const QKeyEvent& key, key_origin origin);
    void keep_page(int number_from_1) { page_waiting_ = number_from_1; }
    std::vector<waiting_key> take_keys() { return std::exchange(keys_waiting_, {}); }
    int take_page() { return std::exchange(page_waiting_, 0); }

signals:
    /// Opened ahead of its request: its first screen may be rendered.
    void prepared();
    /// The shown document changed (a new one, or the same file read again).
    void document_changed(bool same_file);
    /// The copy with its form fields drawn in replaced the shown document.
    void copy_shown();
    /// The place asked for: a destination found for it, and the place itself.
    void place_found(const std::optional<krv::jump_target>& destination,
                     const krv::document_place& place);
    /// After document_changed and the place: what shows is settled.
    void document_shown();
    /// The text and whatever searches it are about to go.
    void text_leaving();
    /// Every page's text has been extracted.
    void text_complete();
    /// Nothing shows: a message instead (a failure, or a password to give).
    void message(const QString& text, bool offers_password);
    /// A password is needed; asked from the event loop, never inside a reply.
    void password_needed(const QString& file_name, bool again);

private:
    void post_open(const QString& path, const QString& password);
    void take_opened(quint64 generation, opened_document result);
    void arrive(opened_document result);
    void ask_password(opened_document result, bool again);
    void show(opened_document result, bool same_file);
    void fail(const QString& text, bool offers_password = false);
    void drop_document();
    void show_copy(const QByteArray& bytes);
    /// Watches the file and its folder (a file replaced under the same name).
    void watch(const QString& path);

    pdf_thread& pdf_;
    state state_ = state::closed;
    quint64 generation_ = 0; ///< of the latest request; older answers are dropped
    QString src_;
    QString requested_; ///< the path being opened (prepare or open)
    /// What came back ahead of open() (prepared), or the protected document
    /// whose password is asked (asking_password).
    opened_document held_;
    document_place place_;
    bool awaiting_destination_ = false; ///< its named destination is being read
    std::vector<waiting_key> keys_waiting_;
    int page_waiting_ = 0;

    shared_document shown_;
    QByteArray shown_bytes_; ///< the file's bytes, to tell a real change on reload
    QString password_;
    std::unique_ptr<text_store> store_;
    std::unique_ptr<structure_reader> structure_;
    bool structure_pending_ = false; ///< read once the pages have been painted
    navigation_history history_;

    QFileSystemWatcher watcher_;
    QTimer reload_timer_;
};

} // namespace krv
