// The PDF display component of the viewer window: give it the path of a PDF in
// its document source and it shows the pages, or a French message saying why it
// cannot. A compact toolbar and the usual keys let the reader scroll, zoom, go to
// a page, search, print, follow links and the document's outline, and go back
// and forth between the places they led to. A changed file is shown again once
// it opens cleanly. It knows nothing of the windows around it: addresses to open
// and messages to show leave it as signals.
#pragma once

#include "document_loading.h"
#include "document_place.h"
#include "document_session.h"
#include "failure_panel.h"
#include "folder_search.h"
#include "history.h"
#include "links.h"
#include "page_view.h"
#include "pdf_thread.h"
#include "structure_reader.h"
#include "text_search.h"
#include "text_store.h"
#include "toolbars.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QSplitter;
class QStackedLayout;
class QTreeView;

namespace krv {

class folder_results;
class outline_panel;
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
    page_view* view() const { return view_; }
    /// The thread that opens, renders and reads the documents.
    pdf_thread& pdf() const { return *pdf_; }
    /// The shown document's text, extracted in the background; null without a document.
    text_store* text() const { return session_->text(); }

    // Reading, as the toolbar and the keys do it.
    void open_search();
    /// Opens the search bar to search every document of the folder (Ctrl+Shift+F).
    void open_folder_search();
    bool searching_every_document() const;
    /// Where the folder's documents come from (the windows know the folder):
    /// their text is read in the background once the first page is on screen.
    void set_folder_source(std::function<std::vector<folder_document>()> source);
    /// Searches every document of the folder; the results show over the pages.
    void find_in_folder(const QString& word);
    /// The results of the search in every document; null before the first.
    folder_results* folder_results_panel() const { return folder_results_; }
    void close_search();
    bool search_open() const;
    /// Searches `text` from the current page on (or goes to the next hit of the same text).
    void find(const QString& text);
    /// Searches `text` from a page on (or goes to the next hit of the same text).
    void find_from(const QString& text, int from_page);
    void find_next();
    void find_previous();
    int hit_count() const { return static_cast<int>(hits_.size()); }
    /// The hit the reader is on, from 0; -1 when none.
    int current_hit() const { return current_hit_; }
    const std::vector<search_hit>& hits() const { return hits_; }
    /// The search in progress or last made; null when none.
    const text_search* search() const { return search_.get(); }
    QString search_status() const { return search_status_; }
    /// Whether a search still waits for pages to be extracted.
    bool search_running() const { return search_ && !search_->finished(); }
    bool has_outline() const;
    void show_outline(bool shown);
    QTreeView* outline() const { return outline_; }
    void go_to_page_number(int number_from_1);
    void print();
    void preview();

    // Links, the outline and the way back, as the pointer and the keys use them.
    /// Follows the link at a point of a page (in points), as a click does.
    void follow_link_at(int page, QPointF point);
    /// Follows an outline entry (its destination is resolved first), as a click does.
    void follow_outline_entry(const QModelIndex& index);
    void go_back();
    void go_forward();
    bool can_go_back() const { return session_->history().can_go_back(); }
    bool can_go_forward() const { return session_->history().can_go_forward(); }
    /// The links and notes read of a page so far (they are read as pages show).
    const page_annotations* annotations_of(int page) const { return links_.find(page); }

    /// Reloads the shown file now if it changed (the file watcher does it by itself).
    void reload();

    /// The reader's own keys (search, print, F3) and the reading keys typed in
    /// another window; true when the key was used and must go no further.
    bool handle_key(const QKeyEvent* key, key_origin origin);

    // The toolbar, for the tests and the accessibility tools.
    QLineEdit* page_field() const { return toolbar_.page_field; }
    /// The search field; the search bar is made when first opened.
    QLineEdit* search_field() const { return search_bar_.field; }
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
    void ensure_search_bar();
    void ensure_outline();
    void connect_toolbar();
    void connect_search_bar();
    void connect_search();
    void connect_structure();
    void start_structure();
    void show_copy();
    void show_outline_tree(std::shared_ptr<const outline_tree> tree);
    void paint_page_overlay(QPainter& painter, int page, const QRectF& area, double scale);
    void follow(const link_action& action);
    void jump_to(const jump_target& target);
    void show_place(const reading_place& place);
    reading_place place_now() const;
    void update_history_buttons();
    void start_background_work();
    void text_completed();
    void set_search_status(const QString& text);
    /// Searches the word in the search field, in this document or in every one.
    void search_typed_word();
    /// Whether the search field holds a word that was not searched (edited since).
    bool typed_word_not_searched() const;
    void take_hits(int at, int count);
    void show_first_hit();
    void search_again_in_copy();
    void show_current_hit();
    void ensure_folder_search();
    void share_text();
    void start_folder_reading();
    void close_every_search();
    void connect_session();
    /// The session's document shows: the view takes it (the same file again: at its place).
    void show_document(bool same_file);
    void finish_place(const std::optional<jump_target>& destination, const document_place& place);
    void show_message(const QString& text, bool offers_password);
    // Keys typed while a document opens (component_opening.cpp).
    bool handle_key_while_opening(const QKeyEvent* key, key_origin origin);
    /// Before a document shows: a search opened while it opened stays, any
    /// other closes; true when Enter was pressed in it meanwhile.
    bool search_before_showing();
    /// Once it shows: the page number, the keys and the search asked for meanwhile.
    void catch_up_with_keys(bool search_asked);
    /// The search stops and its hits go; the bar stays as it is.
    void drop_search();
    void focus_page_field();
    /// Prints the document shown, at the page read, the way given; says a failure.
    void print_shown(done (*way)(const printable_document&, int, QWidget*));
    void update_toolbar();
    void update_hits_view();
    void watch(const QString& path);

    pdf_thread* pdf_;
    std::unique_ptr<document_session> session_;
    std::function<std::vector<folder_document>()> folder_source_;
    std::unique_ptr<folder_search> folder_search_; ///< the folder's texts, kept for the run
    folder_results* folder_results_ = nullptr;
    /// Which hit a search shows first: the first from its page on, or that many
    /// after it on the same page (a place's hit); in_place: the reader is there
    /// already (the same search, found again in a new copy of the document).
    struct first_hit_choice {
        int offset = 0;
        bool in_place = false;
    };
    first_hit_choice next_first_hit_; ///< for the next search
    first_hit_choice first_hit_;      ///< of the search in progress
    bool windows_painted_ = false;    ///< the reader has been painted once: pages may render

    QStackedLayout* stack_;
    failure_panel failure_;
    QWidget* reader_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeView* outline_ = nullptr;
    std::unique_ptr<outline_panel> outline_panel_;
    std::shared_ptr<const outline_tree> outline_tree_; ///< as read; null until then
    bool outline_filled_ = false;                      ///< the panel shows outline_tree_
    page_view* view_ = nullptr;
    reader_toolbar toolbar_;
    reader_search_bar search_bar_;

    std::unique_ptr<text_search> search_;
    QString searched_;
    std::vector<search_hit> hits_;
    int current_hit_ = -1;
    QString search_status_;
    bool showing_hit_ = false;       ///< the current hit is shown once its place is read
    bool search_for_coming_ = false; ///< the bar was opened while a document opened
    bool find_waiting_ = false;      ///< and Enter pressed in it before it showed

    page_links links_;

    QFileSystemWatcher watcher_;
    QTimer reload_timer_;
    QTimer trim_timer_; ///< gives freed memory back once the reader is idle
};

} // namespace krv
