// The search bar and the search in the shown document (Ctrl+F, F3, Shift+F3): its
// hits, the one the reader is on, the bar's count, and which hit shows first. The
// bar also starts the search in every document ("Dans tous les documents",
// Ctrl+Shift+F), which folder_binding runs. A search opened while a document
// opens is for that document: the word typed there is searched once it shows.
#pragma once

#include "document_session.h"
#include "text_search.h"
#include "toolbars.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QLineEdit;

namespace krv {

class folder_binding;
class page_view;

class shown_search : public QObject {
    Q_OBJECT
public:
    /// The bar is made, in `reader`'s column under its toolbar, when first opened.
    shown_search(document_session& session, page_view& view, folder_binding& folder,
                 QWidget& reader);
    ~shown_search() override;

    /// Opens the bar for this document (or for the one being opened).
    void open();
    /// Opens the bar to search every document of the folder, with or without a document.
    void open_for_folder();
    /// Hides the bar; the search stops and its hits go.
    void close();
    /// The bar's close button and Esc: the search in every document ends too.
    void close_every_search();
    bool is_open() const;
    bool every_document() const;
    /// The search field; null until the bar is first opened.
    QLineEdit* field() const { return bar_.field; }

    /// Searches `text` from the current page on (or goes to the next hit of the same text).
    void find(const QString& text);
    /// Searches `text` from a page on (or goes to the next hit of the same text).
    void find_from(const QString& text, int from_page);
    void find_next();
    void find_previous();
    /// Searches every document of the folder; this document's hits go.
    void find_in_folder(const QString& word);
    /// A place's word: the bar opens with it, and the place's hit of its page shows first.
    void find_at_place(const QString& word, int occurrence);

    const std::vector<search_hit>& hits() const { return hits_; }
    int hit_count() const { return static_cast<int>(hits_.size()); }
    /// The hit the reader is on, from 0; -1 when none.
    int current_hit() const { return current_hit_; }
    QString status() const { return status_; }
    /// Whether a search still waits for pages to be extracted.
    bool running() const { return search_ && !search_->finished(); }
    /// Where a hit stands on its page; null until read (or without a search).
    const std::vector<QRectF>* rectangles(const search_hit& hit) const;

    /// Before a document shows: a search opened while it opened stays, any
    /// other closes; true when Enter was pressed in it meanwhile.
    bool before_showing();
    /// Once it shows and the keys typed meanwhile are applied: the word asked for.
    void catch_up(bool asked);
    /// The copy with its form fields drawn in replaced the document: the search
    /// goes on in it, at the hit the reader was on.
    void search_again_in_copy();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

signals:
    /// The bar opened while no document shows: the reader takes the place of a message.
    void reader_needed();
    /// The view moved to a hit.
    void hit_shown();
    /// What a screen reader is told after a search the reader asked for: the
    /// hit reached ("2 sur 28"), or that there is none.
    void outcome(const QString& text);
    /// Every search ended (the bar's close button, Esc).
    void closed();

private:
    void ensure_bar();
    void connect_bar();
    /// Shows the bar, for the document shown or coming if there is one, the focus in its field.
    void open_bar();
    /// The search stops and its hits go; the bar stays as it is.
    void drop();
    void forget_hits();
    void search_typed_word();
    /// Whether the search field holds a word that was not searched (edited since).
    bool typed_word_not_searched() const;
    void take_hits(int at, int count);
    void show_first_hit();
    void show_current_hit();
    void set_status(const QString& text);
    void update_status();
    void extract_near_reader();

    document_session& session_;
    page_view& view_;
    folder_binding& folder_;
    QWidget& reader_;
    reader_search_bar bar_;

    std::unique_ptr<text_search> search_;
    QString searched_;
    std::vector<search_hit> hits_;
    int current_hit_ = -1;
    QString status_;
    /// Which hit a search shows first: the first from its page on, or that many
    /// after it on the same page (a place's hit); in_place: the reader is there
    /// already (the same search, found again in a new copy of the document).
    struct first_hit_choice {
        int offset = 0;
        bool in_place = false;
    };
    first_hit_choice next_first_hit_; ///< for the next search
    first_hit_choice first_hit_;      ///< of the search in progress
    bool showing_hit_ = false;        ///< the current hit is shown once its place is read
    bool for_coming_ = false;         ///< the bar was opened while a document opened
    bool find_waiting_ = false;       ///< and Enter pressed in it before it showed
    bool tell_outcome_ = false;       ///< Enter, F3 or an arrow: its outcome is said
};

} // namespace krv
