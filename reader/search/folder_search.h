// Searching every document of the folder. Their text is read in the background
// (folder_texts: one document at a time, kept for the run within a bound). A
// search looks through the documents in the list's order, one after the other,
// each page as it comes; the first listed_hits_limit hits are listed, each with
// the line round it, read from the document opened for that (the kept text is
// folded for comparing, not for showing), and the others are counted. A new
// word drops the search before it. Protected documents are skipped, and so are
// those that cannot be read, each with its French reason.
#pragma once

#include "folder_texts.h"
#include "pdf_thread.h"
#include "text.h"
#include "text_search.h"

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace krv {

/// Hits listed with their lines; those beyond are counted only (5 million hits
/// of "e" in 300 documents once took 6 GB).
inline constexpr int listed_hits_limit = 1000;

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

    /// Reads the documents' text in the background, one after the other.
    void prepare();
    /// Searches every document for `word`, case and accents ignored.
    void find(const QString& word);
    /// Drops the search in progress.
    void cancel();
    /// The text of the document the reader shows, shared (see folder_texts::show_text).
    void show_text(const QString& path, text_store* store) { texts_.show_text(path, store); }
    const QString& word() const { return word_; }
    bool running() const { return running_; }
    /// Documents whose text is kept (tests, benchmarks).
    int documents_read() const;

signals:
    /// Hits of one page of a document, in text order.
    void hits_found(const std::vector<krv::folder_hit>& hits);
    /// A document the search does not look through, and why.
    void document_skipped(int document, const QString& reason);
    /// A document looked through in part only, and why (once all of it is).
    void document_partly_searched(int document, const QString& reason);
    /// Every hit found so far, listed or not, and the documents they are in.
    void counted(qint64 hits, int documents);
    /// Every document has been looked through.
    void finished();
    /// A document's text has been read and the document let go (the memory its
    /// reading held can go back to the system).
    void document_read();

private:
    struct walk;
    void drop_search();
    void read_next_in_background();
    void take_finished_reading(const QString& path);
    void take_page_read(const QString& path, int page);
    void next_document();
    void look_through();
    void look_through_page(const page_text& text, int page);
    void read_lines();
    void take_lines_document(opened_document opened);
    void take_line(int page, const QString& text);
    void end_of_document();
    const QString& current_path() const;

    pdf_thread& pdf_;
    folder_texts texts_;
    std::vector<folder_document> documents_;
    bool preparing_ = false;
    QString word_;
    QString needle_;         ///< the word folded
    quint64 generation_ = 0; ///< the search in progress; answers for another are dropped
    bool running_ = false;
    std::unique_ptr<walk> walk_; ///< the search in progress
};

} // namespace krv
