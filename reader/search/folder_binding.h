// The search in every document of the folder as the reader shows it: the
// folder's texts read in the background once the first page is on screen (the
// shown document's text shared, not read again), the results over the pages,
// and a chosen hit handed on as a document to open at a place.
#pragma once

#include "document_place.h"
#include "folder_search.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace krv {

class document_session;
class folder_results;

class folder_binding : public QObject {
    Q_OBJECT
public:
    folder_binding(pdf_thread& pdf, document_session& session);
    ~folder_binding() override;

    /// Where the folder's documents come from (the windows know the folder).
    void set_source(std::function<std::vector<folder_document>()> source);
    /// The reader whose column the results show in, over the pages (its last row).
    void set_reader(QWidget* reader) { reader_ = reader; }
    /// Once, after the first page is on screen: the folder's texts, in the background.
    void start_reading();
    /// The shown document's text is read once, for both searches.
    void share_text();
    /// Searches every document of the folder (read again: a document added since
    /// is searched too); the results show.
    void find(const QString& word);
    /// The search ends and its results go.
    void close();
    /// The word searched last; empty before the first search.
    QString word() const;
    /// The results; null before the first search or reading.
    folder_results* results() const { return results_; }
    bool results_shown() const;

signals:
    /// A hit was chosen: its document, at its page, with the word searched there.
    void document_requested(const QString& path, const krv::document_place& place);
    /// A document was read and let go of: memory to give back.
    void document_read();
    /// Up on the first hit of the results: the keyboard goes back to the word.
    void results_left_upwards();
    /// Every document was looked through: what the results' line says then.
    void search_finished(const QString& status);

private:
    void ensure_search();

    pdf_thread& pdf_;
    document_session& session_;
    QWidget* reader_ = nullptr;
    std::function<std::vector<folder_document>()> source_;
    std::unique_ptr<folder_search> search_; ///< the folder's texts, kept for the run
    folder_results* results_ = nullptr;
};

} // namespace krv
