// A page's text as Qt PDF gives it, with where it stands on the page as shown:
// what the pdf thread reads for the text store, and what the text-reading
// process reads beside it (the same code, so that both give the same text).
#pragma once

#include "text_frame.h"

#include <QBuffer>
#include <QByteArray>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

class QPdfDocument;

namespace krv {

class structure_session;

struct read_page {
    QString raw;
    std::shared_ptr<const text_frame> frame;
    bool cut = false; ///< Qt PDF gave only the first part of it
};

/// What reading the pages of one document needs beside Qt PDF: its pages' boxes
/// (opened at the first page that needs them, once), and a document of its own
/// that is opened again every `pages_per_document` pages (pdfium keeps what it
/// parsed of every page read until its document closes: 22 MiB for a
/// 2,415-page manual; opening that manual again costs some 110 ms).
class page_text_reader {
public:
    /// The help's own reading; a process that ends with its reading keeps its
    /// document open throughout.
    static constexpr int reopened_every = 256;
    page_text_reader(QByteArray bytes, QString password, QSizeF page_size,
                     int pages_per_document = reopened_every);
    ~page_text_reader();

    /// Reads `page` from the reader's own document, or from `fallback` when there
    /// are no bytes to open one from or they will not open apart; nothing when
    /// neither is there.
    std::optional<read_page> read(int page, QPdfDocument* fallback);
    /// Lets go of what it holds (the text read stays the caller's).
    void let_go();

private:
    QPdfDocument* reading_document(QPdfDocument* fallback);

    QByteArray bytes_;
    QString password_;
    /// The size pages are taken to have: the first page's, then that of the last
    /// page whose box was read (a cover of its own size makes one read, not one a
    /// page). Reading each page's size from Qt PDF would keep 30 to 90 KiB of it.
    QSizeF page_size_;
    std::unique_ptr<structure_session> boxes_;
    bool boxes_asked_ = false;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QPdfDocument> reading_;
    int pages_per_document_;
    int read_in_document_ = 0;
    bool cannot_reopen_ = false;
};

} // namespace krv
