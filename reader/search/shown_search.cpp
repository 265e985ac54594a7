#include "shown_search.h"

#include "folder_binding.h"
#include "folder_results.h"
#include "page_view.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace krv {

shown_search::shown_search(document_session& session, page_view& view, folder_binding& folder,
                           QWidget& reader)
    : session_(session), view_(view), folder_(folder), reader_(reader) {
    connect(&session_, &document_session::text_leaving, this, [this] { search_.reset(); });
    connect(&folder_, &folder_binding::results_left_upwards, this, [this] {
        if (bar_.field)
            bar_.field->setFocus(Qt::BacktabFocusReason);
    });
    view_.set_highlight_source([this](int page) {
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

// The thread's jobs hold no pointer to the search: they find it gone.
shown_search::~shown_search() = default;

void shown_search::ensure_bar() {
    if (bar_.bar)
        return;
    bar_ = make_search_bar(&reader_);
    static_cast<QVBoxLayout*>(reader_.layout())->insertWidget(1, bar_.bar);
    connect_bar();
}

void shown_search::connect_bar() {
    bar_.field->installEventFilter(this); // Down goes into the results
    connect(bar_.field, &QLineEdit::returnPressed, this, &shown_search::search_typed_word);
    connect(bar_.next, &QToolButton::clicked, this, &shown_search::find_next);
    connect(bar_.previous, &QToolButton::clicked, this, &shown_search::find_previous);
    connect(bar_.close, &QToolButton::clicked, this, &shown_search::close_every_search);
    connect(bar_.every_document, &QToolButton::toggled, this, [this](bool every) {
        bar_.field->setPlaceholderText(every ? QStringLiteral("Rechercher dans tous les documents")
                                             : QStringLiteral("Rechercher dans le document"));
        bar_.field->setFocus();
        if (every && !bar_.field->text().trimmed().isEmpty())
            find_in_folder(bar_.field->text());
    });
    show_value(bar_.status, status_);
}

bool shown_search::is_open() const {
    return bar_.bar && bar_.bar->isVisible();
}

bool shown_search::every_document() const {
    return bar_.every_document && bar_.every_document->isChecked();
}

void shown_search::open() {
    if (!session_.document() && !session_.coming())
        return;
    open_bar();
}

void shown_search::open_bar() {
    // While a document opens the bar opens too, for that document: what is typed
    // there is searched in it once it shows.
    if (session_.coming())
        for_coming_ = true;
    if (!session_.document())
        emit reader_needed(); // a message about the one before goes
    ensure_bar();
    bar_.every_document->setChecked(false); // Ctrl+F: this document
    bar_.bar->show();
    reader_.window()->activateWindow();
    bar_.field->setFocus();
    bar_.field->selectAll();
}

void shown_search::open_for_folder() {
    // Without a document (one that could not be opened), the folder is searched all the same.
    open_bar();
    bar_.every_document->setChecked(true);
}

void shown_search::close() {
    const bool had_focus = bar_.field && bar_.field->hasFocus();
    if (bar_.bar)
        bar_.bar->hide();
    for_coming_ = false;
    find_waiting_ = false;
    drop();
    if (had_focus)
        view_.setFocus();
}

void shown_search::close_every_search() {
    close();
    folder_.close();
    emit closed();
}

void shown_search::drop() {
    forget_hits();
    extract_near_reader(); // the text extracted stays
}

void shown_search::forget_hits() {
    search_.reset(); // the search stops
    hits_.clear();
    current_hit_ = -1;
    tell_outcome_ = false;
    searched_.clear();
    set_status({});
    view_.viewport()->update();
}

void shown_search::extract_near_reader() {
    if (text_store* text = session_.text())
        text->extract_from(std::max(0, view_.current_page()));
}

void shown_search::set_status(const QString& text) {
    status_ = text;
    if (bar_.status)
        show_value(bar_.status, text);
}

const std::vector<QRectF>* shown_search::rectangles(const search_hit& hit) const {
    return search_ ? search_->rectangles(hit) : nullptr;
}

// The hits come as the pages are extracted: the first one from the page being
// read shows as soon as it is known, and the count grows meanwhile.
void shown_search::find(const QString& text) {
    find_from(text, view_.current_page());
}

void shown_search::find_from(const QString& text, int from_page) {
    if (!session_.document() || !session_.text()) {
        if (for_coming_ && !text.trimmed().isEmpty()) {
            find_waiting_ = true;
            set_status(QStringLiteral("Recherche dès l’ouverture du document…"));
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
        search_ = std::make_unique<text_search>(*session_.text(), text, std::max(0, from_page),
                                                hidden_hits::left_out);
        connect(search_.get(), &text_search::hits_added, this, &shown_search::take_hits);
        connect(search_.get(), &text_search::first_hit_known, this, &shown_search::show_first_hit);
        connect(search_.get(), &text_search::done, this, [this] {
            update_status();
            if (hits_.empty() && std::exchange(tell_outcome_, false))
                emit outcome(status_);
        });
        connect(search_.get(), &text_search::progressed, this, &shown_search::update_status);
        connect(search_.get(), &text_search::rectangles_read, this, [this](int page) {
            if (showing_hit_ && hits_[static_cast<std::size_t>(current_hit_)].page == page)
                show_current_hit();
            view_.viewport()->update();
        });
        search_->start();
    }
    update_status();
}

void shown_search::find_in_folder(const QString& word) {
    folder_.find(word);
    forget_hits(); // the hits of this document's own search would be another word's
    // Tab goes from the word to its results, and Shift+Tab back.
    if (bar_.field)
        QWidget::setTabOrder(bar_.field, folder_.results()->tree());
}

// Down from the word goes into the results of the search in every document, as
// from a field into the list under it.
bool shown_search::eventFilter(QObject* watched, QEvent* e) {
    if (watched == bar_.field && e->type() == QEvent::KeyPress && folder_.results_shown()) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Down &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
            return folder_.results()->enter(Qt::TabFocusReason);
    }
    return QObject::eventFilter(watched, e);
}

void shown_search::find_at_place(const QString& word, int occurrence) {
    open();
    if (!bar_.field)
        return;
    bar_.field->setText(word);
    next_first_hit_ = {occurrence, false};
    find(word);
}

void shown_search::take_hits(int at, int count) {
    hits_ = search_->hits();
    if (current_hit_ >= at)
        current_hit_ += count;
    update_status();
}

void shown_search::show_first_hit() {
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
    update_status();
    if (!first_hit_.in_place)
        show_current_hit();
}

// The copy with the form fields drawn in replaces the document: an open search
// goes on in it, on the same word, and the hit the reader was on stays the
// current one, where the reader left it.
void shown_search::search_again_in_copy() {
    if (searched_.trimmed().isEmpty()) {
        extract_near_reader();
        return;
    }
    int from = view_.current_page();
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

void shown_search::search_typed_word() {
    if (every_document())
        return find_in_folder(bar_.field->text());
    tell_outcome_ = true;
    find(bar_.field->text());
}

bool shown_search::typed_word_not_searched() const {
    const QString typed = bar_.field ? bar_.field->text() : QString();
    if (typed.trimmed().isEmpty())
        return false;
    if (every_document())
        return typed.trimmed() != folder_.word();
    return typed != searched_;
}

// F3, Shift+F3 and the bar's arrows go through the hits of the word in the field:
// a word edited since it was searched is searched first, as Enter would.
void shown_search::find_next() {
    if (typed_word_not_searched())
        return search_typed_word();
    if (hits_.empty())
        return;
    tell_outcome_ = true;
    current_hit_ = (current_hit_ + 1) % hit_count();
    update_status();
    show_current_hit();
}

void shown_search::find_previous() {
    if (typed_word_not_searched())
        return search_typed_word();
    if (hits_.empty())
        return;
    tell_outcome_ = true;
    current_hit_ = (current_hit_ - 1 + hit_count()) % hit_count();
    update_status();
    show_current_hit();
}

void shown_search::update_status() {
    const bool still_running = running();
    const int pages = session_.text() ? session_.text()->page_count() : 0;
    QString status;
    if (!searched_.trimmed().isEmpty()) {
        status = search_status_text(
            {hit_count(), current_hit_,
             still_running && pages ? search_->pages_searched() * 100 / pages : 100,
             still_running});
        // Pages whose text could be read only in part: their hits may be missing.
        if (const QString note = search_ ? partial_search_note(search_->cut_pages()) : QString();
            !note.isEmpty())
            status += QStringLiteral(" — ") + note;
    }
    set_status(status);
    view_.viewport()->update();
}

void shown_search::show_current_hit() {
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
    view_.ensure_visible(hit.page, where);
    emit hit_shown();
    if (std::exchange(tell_outcome_, false))
        emit outcome(status_);
}

bool shown_search::before_showing() {
    const bool keep = std::exchange(for_coming_, false) && is_open();
    const bool asked = keep && (std::exchange(find_waiting_, false) || !searched_.isEmpty());
    if (keep)
        drop();
    else
        close();
    return asked;
}

void shown_search::catch_up(bool asked) {
    // A place's own search (#search=) goes first.
    if (asked && searched_.isEmpty() && !every_document())
        find(bar_.field->text());
}

} // namespace krv
