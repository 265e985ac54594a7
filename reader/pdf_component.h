// The PDF display component of the viewer window: give it the path of a PDF in
// its document source and it shows the pages, or a French message saying why it
// cannot. It is the widget that shows a document session (document/) and hands
// the user's input to the reader's parts: the toolbar and the pages, the search
// bar (shown_search), the search in every document (folder_binding), the
// outline, links and the way back (navigation_binding) and the keys
// (reader_keys). It knows nothing of the windows around it: addresses to open
// and messages to show leave it as signals.
#pragma once

#include "announcer.h"
#include "document_loading.h"
#include "document_place.h"
#include "document_session.h"
#include "failure.h"
#include "failure_panel.h"
#include "folder_binding.h"
#include "left_places.h"
#include "navigation_binding.h"
#include "page_view.h"
#include "pdf_thread.h"
#include "reader_keys.h"
#include "shown_search.h"
#include "toolbars.h"

#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <memory>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QSplitter;
class QStackedLayout;

namespace krv {

struct printable_document;

class pdf_component : public QWidget {
    Q_OBJECT
public:
    explicit pdf_component(QWidget* parent);
    ~pdf_component() override;

    /// The document source: the full path of the PDF to show, at a place (its
    /// first page when the place is empty or not in the document).
    void set_src(const QString& path, const document_place& place = {});
    const QString& src() const { return session_->src(); }
    /// Starts reading a document that set_src will soon ask for; its first page is
    /// rendered once the windows have painted, so that set_src only shows it.
    void prepare(const QString& path);

    /// Whether a document asked for (by prepare or set_src) is still being opened
    /// on the pdf thread.
    bool opening() const { return session_->opening(); }
    /// The message shown instead of a document; empty while a document shows.
    QString message() const;
    /// What the reader can do when a document cannot be shown, said under the message.
    void set_failure_hint(const QString& hint);
    /// Whether the message offers to give a password again (after giving up on it).
    bool offers_password() const;
    /// The document shown (its handle: Qt PDF itself stays on the pdf thread).
    const shared_document& document() const { return session_->document(); }
    /// The document's life: its opening, its text, its structure, its history.
    document_session& session() const { return *session_; }
    /// The thread that opens, renders and reads the documents.
    pdf_thread& pdf() const { return *pdf_; }
    /// The shown document's text, extracted in the background; null without a document.
    text_store* text() const { return session_->text(); }

    // The reader's parts, made with the first document (null before it).
    page_view* view() const { return view_; }
    /// The search bar and the search in the shown document.
    shown_search* search() const { return search_.get(); }
    /// The outline, links and notes, and the way back.
    navigation_binding* navigation() const { return navigation_.get(); }
    /// The search in every document of the folder (the windows give its source).
    folder_binding& folder() const { return *folder_; }

    void go_to_page_number(int number_from_1);
    /// What the page field takes: a page's label ("iv") or its number; an entry
    /// that leads nowhere is said by the field, and nothing moves.
    void go_to_entry(const QString& entry);
    void print();
    void preview();
    /// Reloads the shown file now if it changed (the session does it by itself).
    void reload() { session_->reload(); }

    /// The reader's own keys (search, print, F3) and the reading keys typed in
    /// another window; true when the key was used and must go no further.
    bool handle_key(const QKeyEvent* key, key_origin origin);

    // The toolbar, for the tests and the accessibility tools.
    QLineEdit* page_field() const { return toolbar_.page_field; }
    QLabel* page_total() const { return toolbar_.page_total; }
    QLabel* zoom_label() const { return toolbar_.zoom_label; }

signals:
    /// A document has opened and its pages are on screen.
    void document_shown();
    /// The document's outline has been read (it may be empty, or a damaged one cut short).
    void outline_ready();
    /// A link asks for a web or mail address, which the desktop should open.
    void open_url_requested(const QUrl& url);
    /// Something the user should read in a message (a refused link, a failed print).
    void notice(const QString& text);
    /// A hit of the search in every document was chosen: its document, at its
    /// page, with the word searched there. The windows open it as they open any.
    void document_requested(const QString& path, const krv::document_place& place);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void ensure_reader();
    void make_parts();
    void connect_session();
    void connect_toolbar();
    /// The session's document shows: the view takes it (the same file again: at its place).
    void show_document(bool same_file);
    /// The copy of the document with its fields drawn in shows in place of the original.
    void show_copy();
    void finish_place(const std::optional<jump_target>& destination, const document_place& place);
    void show_message(const QString& text, bool offers_password);
    void start_background_work();
    void text_completed();
    void update_toolbar();
    /// Has the shown document's page labels read; the page field shows them once they come.
    void read_labels();
    /// The shown document's page labels; none without a document, or until read.
    const std::vector<QString>& page_labels() const;
    /// The shown document is about to go: where the reader leaves it is kept.
    void leave_document();
    /// Prints the document shown, at the page read, the way given; says a failure.
    void print_shown(done (*way)(const printable_document&, int, QWidget*));

    pdf_thread* pdf_;
    std::unique_ptr<document_session> session_;
    std::unique_ptr<folder_binding> folder_;
    bool windows_painted_ = false; ///< the reader has been painted once: pages may render

    QStackedLayout* stack_;
    failure_panel failure_;
    announcer* announcer_;
    QWidget* reader_ = nullptr;
    QSplitter* splitter_ = nullptr;
    page_view* view_ = nullptr;
    reader_toolbar toolbar_;
    std::unique_ptr<shown_search> search_;
    std::unique_ptr<navigation_binding> navigation_;
    std::unique_ptr<reader_keys> keys_;
    left_places left_;
    QString shown_path_; ///< the file the view shows; empty when none

    QTimer trim_timer_; ///< gives freed memory back once the reader is idle
};

} // namespace krv
