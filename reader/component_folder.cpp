// The component's search in every document of the folder (Ctrl+Shift+F, or "Dans
// tous les documents" in the search bar): the folder's texts read in the
// background once the first page is on screen, the results over the pages, and a
// chosen hit handed to the windows, which open its document as they open any.
#include "pdf_component.h"

#include "folder_results.h"

#include <QLineEdit>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace krv {

namespace {

// The results take at most this much of the reader's height: the pages stay in view.
constexpr int results_height = 240;

} // namespace

void pdf_component::set_folder_source(std::function<std::vector<folder_document>()> source) {
    folder_source_ = std::move(source);
}

void pdf_component::ensure_folder_search() {
    if (folder_search_)
        return;
    ensure_reader();
    folder_search_ = std::make_unique<folder_search>(pdf());
    share_text();
    folder_results_ = new folder_results(reader_);
    folder_results_->setMaximumHeight(results_height);
    folder_results_->hide();
    auto* column = static_cast<QVBoxLayout*>(reader_->layout());
    column->insertWidget(column->indexOf(static_cast<QWidget*>(splitter_)), folder_results_);
    // A document read and let go leaves freed memory: it goes back, as the reader's does.
    connect(folder_search_.get(), &folder_search::document_read, this,
            [this] { trim_timer_.start(); });
    connect(folder_search_.get(), &folder_search::hits_found, folder_results_,
            &folder_results::add_hits);
    connect(folder_search_.get(), &folder_search::document_skipped, folder_results_,
            &folder_results::add_skipped);
    connect(folder_search_.get(), &folder_search::document_partly_searched, folder_results_,
            &folder_results::add_skipped);
    connect(folder_search_.get(), &folder_search::counted, folder_results_,
            &folder_results::set_count);
    connect(folder_search_.get(), &folder_search::finished, folder_results_,
            &folder_results::finish);
    connect(folder_results_, &folder_results::hit_chosen, this,
            [this](int document, int page, int occurrence) {
                const auto& documents = folder_search_->documents();
                if (document >= 0 && document < static_cast<int>(documents.size()))
                    emit document_requested(documents[static_cast<std::size_t>(document)].path,
                                            {page + 1, {}, folder_search_->word(), occurrence});
            });
}

// The shown document's text is read once, for both searches.
void pdf_component::share_text() {
    if (folder_search_)
        folder_search_->show_text(src(), text());
}

// Once, after the first page is on screen: the folder's texts, in the background.
void pdf_component::start_folder_reading() {
    if (folder_search_ || !folder_source_)
        return;
    ensure_folder_search();
    folder_search_->set_documents(folder_source_());
    folder_search_->prepare();
}

void pdf_component::open_folder_search() {
    open_search();
    if (search_bar_.every_document)
        search_bar_.every_document->setChecked(true);
}

bool pdf_component::searching_every_document() const {
    return search_bar_.every_document && search_bar_.every_document->isChecked();
}

void pdf_component::find_in_folder(const QString& word) {
    ensure_folder_search();
    // The folder is read again: a document added since is searched too.
    std::vector<folder_document> documents =
        folder_source_ ? folder_source_() : std::vector<folder_document>{};
    folder_search_->set_documents(documents);
    folder_results_->start(documents, word.trimmed());
    folder_results_->show();
    folder_search_->find(word);
    // The hits of this document's own search would be another word's.
    search_.reset();
    hits_.clear();
    current_hit_ = -1;
    searched_.clear();
    set_search_status({});
    view_->viewport()->update();
}

// The search bar's close button and Esc: both searches end, the results go.
void pdf_component::close_every_search() {
    close_search();
    if (folder_results_) {
        folder_search_->cancel();
        folder_results_->hide();
    }
}

} // namespace krv
