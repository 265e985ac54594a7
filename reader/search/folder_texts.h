// The text of the folder's documents, for the search in every document. Each is
// read on the pdf thread, one document at a time and only that one open (a
// folder of 30 links to one large PDF took 6 GB when every document was opened
// at once), and its text is kept for the run, folded, as long as all that is
// kept stays within kept_text_limit. A document whose text would pass it is
// read again at each search, each page let go once it has been looked through.
// The document the reader shows is not read here: its text is the reader's,
// shared (show_text), and kept here once the reader lets go of it.
#pragma once

#include "pdf_thread.h"
#include "text_store.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <unordered_map>

namespace krv {

/// The folded text kept for the run, in bytes.
inline constexpr qint64 kept_text_limit = 64LL << 20;

/// What the reading of a document is for.
enum class reading_for {
    background, ///< keeping its text; a text too large to keep is not read further
    search,     ///< a search that looks through each page as it comes
};

class folder_texts : public QObject {
    Q_OBJECT
public:
    enum class state {
        unread,
        reading,
        kept,      ///< its whole text is kept
        too_large, ///< read again at each search
        skipped,   ///< cannot be searched (skip_reason says why)
        shown,     ///< the reader shows it and is extracting its text
    };

    explicit folder_texts(pdf_thread& pdf, QObject* parent = nullptr);
    ~folder_texts() override;

    state state_of(const QString& path) const;
    /// Why a document cannot be searched, in French.
    QString skip_reason(const QString& path) const;
    /// The text of a document kept or being read (the pages read so far); null otherwise.
    text_store* text(const QString& path) const;
    /// The document being read; empty when none.
    const QString& reading() const { return reading_; }
    int kept_count() const;

    /// The text of the document the reader shows (null: none), used instead of
    /// reading it again; when the store goes, its text is kept here if it is
    /// whole and fits. A document with a password is read here as if not shown.
    void show_text(const QString& path, text_store* store);

    /// Reads a document that is unread or too large, now; one being read
    /// meanwhile is let go, with what was read of it.
    void read(const QString& path, reading_for purpose);
    /// Lets go of the document being read, and of what was read of it.
    void stop_reading();
    /// The search has looked through the pages before `page`: when the document
    /// is too large to keep, their text goes.
    void looked_through(const QString& path, int page);

signals:
    /// A page of the document being read is there (they come in order).
    void page_read(const QString& path, int page);
    /// Its reading has ended: it is kept, too large or skipped now.
    void finished_reading(const QString& path);

private:
    struct entry;
    entry& entry_of(const QString& path);
    void take_opened(const QString& path, opened_document opened);
    void take_page(int page);
    void take_complete();
    void follow_shown();
    void stop_following();
    void take_leaving(text_store& store);
    bool is_shown(const QString& path) const;

    pdf_thread& pdf_;
    std::unordered_map<QString, std::unique_ptr<entry>> entries_; ///< by path, for the run
    QString reading_;
    reading_for purpose_ = reading_for::background;
    quint64 reading_generation_ = 0; ///< openings for a reading since let go are dropped
    qint64 kept_bytes_ = 0;
    QPointer<text_store> shown_;                          ///< the reader's
    QString shown_file_;                                  ///< its file, as entries_ are keyed
    QMetaObject::Connection shown_page_, shown_complete_; ///< while a search follows it
};

} // namespace krv
