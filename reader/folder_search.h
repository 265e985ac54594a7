// Searching every document of the folder: each is opened on the pdf thread and
// its text extracted in the background (once the shown document's first page is
// on screen), a document at a time. Only the text is kept for the run: a document
// is closed once its text is all there, so that a folder of large documents does
// not stay in memory, and opened again for the lines round a search's hits while
// that search lasts. A search looks through
// what is there and through the rest as it comes, every document at once then;
// hits come as they are found, each with the line round it. A new word drops the
// search before it. Protected documents are skipped, and so are those that
// cannot be read, each with its French reason.
#pragma once

#include "pdf_thread.h"
#include "text.h"
#include "text_search.h"
#include "text_store.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace krv {

/// A document of the folder, as the list of documents shows it.
struct folder_document {
    QString path;
    QString display_name; ///< the list's readable name
};

/// A hit in one of the folder's documents.
struct folder_hit {
    int document = 0; ///< index in the documents given
    int page = 0;
    int occurrence = 0; ///< which hit of its page, in text order, from 0
    line_excerpt line;
};

class folder_search : public QObject {
    Q_OBJECT
public:
    explicit folder_search(pdf_thread& pdf, QObject* parent = nullptr);
    ~folder_search() override;

    /// The folder's documents, in the list's order; the text of those already
    /// read is kept. Drops the search in progress.
    void set_documents(std::vector<folder_document> documents);
    const std::vector<folder_document>& documents() const { return documents_; }

    /// Opens the documents and extracts their text in the background.
    void prepare();
    /// Searches every document for `word`, case and accents ignored.
    void find(const QString& word);
    /// Drops the search in progress.
    void cancel();
    const QString& word() const { return word_; }
    bool running() const { return running_; }
    /// Documents whose text is all there (tests, benchmarks).
    int documents_read() const;

signals:
    /// Hits of one page of a document, in text order.
    void hits_found(const std::vector<krv::folder_hit>& hits);
    /// A document the search does not look through, and why.
    void document_skipped(int document, const QString& reason);
    /// Every document has been looked through.
    void finished();
    /// A document's text is all there and the document has been let go (the
    /// memory its reading held can go back to the system).
    void document_read();

private:
    struct entry;
    entry* entry_of(int document);
    void open_next_in_background();
    void open(int document);
    void take_opened(int document, opened_document opened);
    void start_search(int document);
    void take_hits(int document, int at, int count);
    void read_lines(int document);
    void take_reopened(int document, opened_document opened);
    void take_page_text(int document, int page, const QString& text);
    void check_finished();

    pdf_thread& pdf_;
    std::vector<folder_document> documents_;
    std::unordered_map<QString, std::unique_ptr<entry>> entries_; ///< by path, for the run
    bool preparing_ = false;
    QString word_;
    quint64 generation_ = 0; ///< the search in progress; answers for another are dropped
    bool running_ = false;
};

} // namespace krv
