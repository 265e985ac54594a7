#include "folder_binding.h"

#include "document_session.h"
#include "folder_results.h"

#include <QVBoxLayout>

namespace krv {

namespace {

// The results take at most this much of the reader's height: the pages stay in view.
constexpr int results_height = 240;

} // namespace

folder_binding::folder_binding(pdf_thread& pdf, document_session& session)
    : pdf_(pdf), session_(session) {}

folder_binding::~folder_binding() = default;

void folder_binding::set_source(std::function<std::vector<folder_document>()> source) {
    source_ = std::move(source);
}

void folder_binding::ensure_search() {
    if (search_)
        return;
    search_ = std::make_unique<folder_search>(pdf_);
    share_text();
    results_ = new folder_results(reader_);
    results_->setMaximumHeight(results_height);
    results_->hide();
    auto* column = static_cast<QVBoxLayout*>(reader_->layout());
    column->insertWidget(column->count() - 1, results_); // over the pages
    connect(search_.get(), &folder_search::document_read, this, &folder_binding::document_read);
    connect(results_, &folder_results::left_upwards, this, &folder_binding::results_left_upwards);
    connect(search_.get(), &folder_search::hits_found, results_, &folder_results::add_hits);
    connect(search_.get(), &folder_search::document_skipped, results_,
            &folder_results::add_skipped);
    connect(search_.get(), &folder_search::document_partly_searched, results_,
            &folder_results::add_skipped);
    connect(search_.get(), &folder_search::counted, results_, &folder_results::set_count);
    connect(search_.get(), &folder_search::finished, results_, &folder_results::finish);
    connect(search_.get(), &folder_search::finished, this,
            [this] { emit search_finished(results_->status()); });
    connect(results_, &folder_results::hit_chosen, this,
            [this](int document, int page, int occurrence) {
                const auto& documents = search_->documents();
                if (document >= 0 && document < static_cast<int>(documents.size()))
                    emit document_requested(documents[static_cast<std::size_t>(document)].path,
                                            {page + 1, {}, search_->word(), occurrence});
            });
}

void folder_binding::share_text() {
    if (search_)
        search_->show_text(session_.src(), session_.text());
}

void folder_binding::start_reading() {
    if (search_ || !source_)
        return;
    ensure_search();
    search_->set_documents(source_());
    search_->prepare();
}

void folder_binding::find(const QString& word) {
    ensure_search();
    std::vector<folder_document> documents = source_ ? source_() : std::vector<folder_document>{};
    search_->set_documents(documents);
    results_->start(documents, word.trimmed());
    results_->show();
    search_->find(word);
}

void folder_binding::close() {
    if (!results_)
        return;
    search_->cancel();
    results_->hide();
}

QString folder_binding::word() const {
    return search_ ? search_->word() : QString();
}

bool folder_binding::results_shown() const {
    return results_ && results_->isVisible();
}

} // namespace krv
