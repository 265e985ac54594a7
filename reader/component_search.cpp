// The component's search (Ctrl+F, F3, Shift+F3) and the keys the reader answers
// whichever window of the program they are typed in (Alt+Left and Alt+Right too).
#include "pdf_component.h"

#include "folder_results.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedLayout>
#include <QToolButton>

namespace krv {

void pdf_component::connect_search_bar() {
    const reader_search_bar& s = search_bar_;
    connect(s.field, &QLineEdit::returnPressed, this, &pdf_component::search_typed_word);
    connect(s.next, &QToolButton::clicked, this, &pdf_component::find_next);
    connect(s.previous, &QToolButton::clicked, this, &pdf_component::find_previous);
    connect(s.close, &QToolButton::clicked, this, &pdf_component::close_every_search);
    connect(s.every_document, &QToolButton::toggled, this, [this](bool every) {
        search_bar_.field->setPlaceholderText(
            every ? QStringLiteral("Rechercher dans tous les documents")
                  : QStringLiteral("Rechercher dans le document"));
        search_bar_.field->setFocus();
        if (every && !search_bar_.field->text().trimmed().isEmpty())
            find_in_folder(search_bar_.field->text());
    });
    s.status->setText(search_status_);
}

void pdf_component::connect_search() {
    view_->set_highlight_source([this](int page) {
        std::vector<page_highlight> marks;
        if (!search_)
            return marks;
        const auto first = std::lower_bound(hits_.begin(), hits_.end(), page,
                                            [](const search_hit& h, int p) { return h.page < p; });
        for (auto it = first; it != hits_.end() && it->page == page; ++it) {
            const std::vector<QRectF>* rects = search_->rectangles(*it);
            if (!rects) {
                search_->request_rectangles(page); // painted once they are read
                break;
            }
            for (const QRectF& r : *rects)
                marks.push_back({r, it - hits_.begin() == current_hit_});
        }
        return marks;
    });
}

bool pdf_component::search_open() const {
    return search_bar_.bar && search_bar_.bar->isVisible();
}

void pdf_component::open_search() {
    // While a document opens the bar opens too, for that document: what is typed
    // there is searched in it once it shows.
    const bool coming = reader_ && session_->coming();
    if (!document() && !coming)
        return;
    if (coming)
        search_for_coming_ = true;
    if (!document())
        stack_->setCurrentWidget(reader_); // a message about the one before goes
    ensure_search_bar();
    search_bar_.every_document->setChecked(false); // Ctrl+F: this document
    search_bar_.bar->show();
    window()->activateWindow();
    search_bar_.field->setFocus();
    search_bar_.field->selectAll();
}

void pdf_component::close_search() {
    if (!reader_)
        return;
    const bool had_focus = search_bar_.field && search_bar_.field->hasFocus();
    if (search_bar_.bar)
        search_bar_.bar->hide();
    search_for_coming_ = false;
    find_waiting_ = false;
    drop_search();
    if (had_focus)
        view_->setFocus();
}

void pdf_component::drop_search() {
    search_.reset(); // the search stops; the text extracted stays
    if (text())
        text()->extract_from(std::max(0, view_->current_page()));
    hits_.clear();
    current_hit_ = -1;
    searched_.clear();
    set_search_status({});
    view_->viewport()->update();
}

void pdf_component::set_search_status(const QString& text) {
    search_status_ = text;
    if (search_bar_.status)
        search_bar_.status->setText(text);
}

// The hits come as the pages are extracted: the first one from the page being
// read shows as soon as it is known, and the count grows meanwhile.
void pdf_component::find(const QString& text) {
    find_from(text, view_ ? view_->current_page() : 0);
}

void pdf_component::find_from(const QString& text, int from_page) {
    if (!document() || !session_->text()) {
        if (search_for_coming_ && !text.trimmed().isEmpty()) {
            find_waiting_ = true;
            set_search_status(QStringLiteral("Recherche dès l’ouverture du document…"));
        }
        return;
    }
    if (text == searched_ && !hits_.empty()) {
        find_next();
        return;
    }
    search_.reset(); // a new word: the old search stops here
    first_hit_ = std::exchange(next_first_hit_, {});
    searched_ = text;
    hits_.clear();
    current_hit_ = -1;
    showing_hit_ = false;
    if (!text.trimmed().isEmpty()) {
        search_ = std::make_unique<text_search>(*session_->text(), text, std::max(0, from_page),
                                                hidden_hits::left_out);
        connect(search_.get(), &text_search::hits_added, this, &pdf_component::take_hits);
        connect(search_.get(), &text_search::first_hit_known, this, &pdf_component::show_first_hit);
        connect(search_.get(), &text_search::done, this, &pdf_component::update_hits_view);
        connect(search_.get(), &text_search::progressed, this, &pdf_component::update_hits_view);
        connect(search_.get(), &text_search::rectangles_read, this, [this](int page) {
            if (showing_hit_ && hits_[static_cast<std::size_t>(current_hit_)].page == page)
                show_current_hit();
            view_->viewport()->update();
        });
        search_->start();
    }
    update_hits_view();
}

void pdf_component::take_hits(int at, int count) {
    hits_ = search_->hits();
    if (current_hit_ >= at)
        current_hit_ += count;
    update_hits_view();
}

void pdf_component::show_first_hit() {
    if (current_hit_ >= 0)
        return; // the reader went on with F3 already
    current_hit_ = search_->first_hit();
    // A place may ask for a later hit of the same page (a hit chosen among the
    // results of the search in every document).
    const int page = hits_[static_cast<std::size_t>(current_hit_)].page;
    for (int n = first_hit_.offset; n > 0 && current_hit_ + 1 < hit_count() &&
                                    hits_[static_cast<std::size_t>(current_hit_ + 1)].page == page;
         --n)
        ++current_hit_;
    update_hits_view();
    if (!first_hit_.in_place)
        show_current_hit();
}

// The copy with the form fields drawn in replaces the document: an open search
// goes on in it, on the same word, and the hit the reader was on stays the
// current one, where the reader left it.
void pdf_component::search_again_in_copy() {
    if (searched_.trimmed().isEmpty()) {
        text()->extract_from(std::max(0, view_->current_page()));
        return;
    }
    int from = view_->current_page();
    if (current_hit_ >= 0) {
        from = hits_[static_cast<std::size_t>(current_hit_)].page;
        const auto first = std::find_if(hits_.begin(), hits_.end(),
                                        [from](const search_hit& h) { return h.page == from; });
        // Not shown yet (its place on the page was being read): shown in the copy.
        next_first_hit_ = {current_hit_ - static_cast<int>(first - hits_.begin()), !showing_hit_};
    }
    const QString word = std::exchange(searched_, {});
    find_from(word, from);
}

void pdf_component::search_typed_word() {
    if (searching_every_document())
        find_in_folder(search_bar_.field->text());
    else
        find(search_bar_.field->text());
}

bool pdf_component::typed_word_not_searched() const {
    const QString typed = search_bar_.field ? search_bar_.field->text() : QString();
    if (typed.trimmed().isEmpty())
        return false;
    if (searching_every_document())
        return !folder_search_ || typed.trimmed() != folder_search_->word();
    return typed != searched_;
}

// F3, Shift+F3 and the bar's arrows go through the hits of the word in the field:
// a word edited since it was searched is searched first, as Enter would.
void pdf_component::find_next() {
    if (typed_word_not_searched())
        return search_typed_word();
    if (hits_.empty())
        return;
    current_hit_ = (current_hit_ + 1) % hit_count();
    update_hits_view();
    show_current_hit();
}

void pdf_component::find_previous() {
    if (typed_word_not_searched())
        return search_typed_word();
    if (hits_.empty())
        return;
    current_hit_ = (current_hit_ - 1 + hit_count()) % hit_count();
    update_hits_view();
    show_current_hit();
}

void pdf_component::update_hits_view() {
    const bool running = search_running();
    const int pages = text() ? text()->page_count() : 0;
    QString status;
    if (!searched_.trimmed().isEmpty()) {
        status = search_status_text(
            {hit_count(), current_hit_,
             running && pages ? search_->pages_searched() * 100 / pages : 100, running});
        // Pages whose text could be read only in part: their hits may be missing.
        if (const QString note = search_ ? partial_search_note(search_->cut_pages()) : QString();
            !note.isEmpty())
            status += QStringLiteral(" — ") + note;
    }
    set_search_status(status);
    view_->viewport()->update();
}

void pdf_component::show_current_hit() {
    showing_hit_ = false;
    if (current_hit_ < 0 || !search_)
        return;
    const search_hit& hit = hits_[static_cast<std::size_t>(current_hit_)];
    const std::vector<QRectF>* rects = search_->rectangles(hit);
    if (!rects) {
        showing_hit_ = true; // once its place on the page is read
        search_->request_rectangles(hit.page);
        return;
    }
    QRectF where;
    for (const QRectF& r : *rects)
        where = where.isNull() ? r : where.united(r);
    view_->ensure_visible(hit.page, where);
    update_toolbar();
}

// Ctrl+G: the page number is typed into the toolbar's field, from either window.
void pdf_component::focus_page_field() {
    window()->activateWindow();
    toolbar_.page_field->setFocus(Qt::ShortcutFocusReason);
    toolbar_.page_field->selectAll();
}

bool pdf_component::handle_key(const QKeyEvent* key, key_origin origin) {
    if (key->key() == Qt::Key_Escape &&
        (search_open() || (folder_results_ && folder_results_->isVisible()))) {
        close_every_search();
        return true;
    }
    if (!document())
        return handle_key_while_opening(key, origin);
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_F && held == (Qt::ControlModifier | Qt::ShiftModifier)) {
        open_folder_search();
        return true;
    }
    // The toolbar's keys, whichever window they are typed in.
    if (QToolButton* tool = tool_for_key(toolbar_, key)) {
        if (tool->isHidden() || !tool->isEnabled())
            return false;
        tool->click();
        return true;
    }
    if (is_page_field_key(key)) {
        focus_page_field();
        return true;
    }
    // Back and forth between the places links and the outline led to, as in a browser.
    const bool alt_only = (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
    if (alt_only && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
        if (key->key() == Qt::Key_Left)
            go_back();
        else
            go_forward();
        return true;
    }
    if (key->key() == Qt::Key_F3) {
        if (key->modifiers() & Qt::ShiftModifier)
            find_previous();
        else
            find_next();
        return true;
    }
    if (origin == key_origin::reader_window)
        return false;
    // Just after Ctrl+F typed in another window, the focus may not have moved yet:
    // what is typed there belongs to the search.
    if (search_open() && is_typing_key(key))
        return forward_key(search_bar_.field, key);
    // The other windows have nothing to scroll: their reading keys go to the pages.
    if (is_reading_key(key))
        return forward_key(view_, key);
    return false;
}

} // namespace krv
