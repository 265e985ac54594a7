// The text of a document's pages, for searching: extracted on the pdf thread a
// page at a time (Qt PDF takes 1 to 20 ms a page, and a long manual has
// thousands), from a chosen page on and round to it, and kept folded the way
// searches compare text. The pages come as they are extracted; whoever waits for
// them (a search in the shown document, or in every document of the folder)
// listens to page_extracted. Extraction goes on in the background until every
// page is there; a search that needs pages asks for them sooner.
#pragma once

#include "pdf_thread.h"
#include "text_frame.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace krv {

/// A page's text as searches compare it (see fold_for_search).
struct page_text {
    QString folded;
    bool cut = false; ///< Qt PDF gave only the first part of it (65,536 characters or more)
    /// Where the folded characters come from in the page's text: from each
    /// `first` on, folded index + `shift`, until the next. Empty when they are
    /// the same (no ligature, nothing dropped). Kept as the few places where the
    /// shift changes, not an index per character: that took twice the memory of
    /// the text itself (17 MiB for a 2,415-page manual).
    struct shift_from {
        int first;
        int shift;
    };
    std::vector<shift_from> shifts;
    /// Where its text shows, for a page turned, cropped off the origin, or with
    /// text outside it; null for the others, whose text boxes stand as they are.
    std::shared_ptr<const text_frame> frame;
    int original_index(int folded_index) const {
        const auto after =
            std::upper_bound(shifts.begin(), shifts.end(), folded_index,
                             [](int index, const shift_from& s) { return index < s.first; });
        return after == shifts.begin() ? folded_index : folded_index + std::prev(after)->shift;
    }
};

/// A page's text, folded.
page_text page_text_of(const QString& text, bool cut = false);

struct text_store_state;
struct text_store_run;
struct text_store_step;
class text_reading_process;

class text_store : public QObject {
    Q_OBJECT
public:
    explicit text_store(shared_document document, QObject* parent = nullptr);
    ~text_store() override;

    const shared_document& document() const { return document_; }
    int page_count() const { return static_cast<int>(pages_.size()); }

    /// Extracts from `page` on, round to it, skipping pages already there; a page
    /// extracted now comes next. `priority` says how soon (background: after
    /// what the reader waits for; search: before the background work).
    void extract_from(int page, pdf_priority priority = pdf_priority::background);
    /// Stops extracting; what is extracted stays.
    void stop();
    /// Stops extracting and lets go of the document (it closes when its other
    /// holders let go too); the text extracted stays.
    void release_document();

    /// A page's text, or null while it is not extracted yet (or once forgotten).
    const page_text* text(int page) const;
    int extracted_count() const { return extracted_; }
    bool complete() const { return extracted_ == page_count(); }
    /// The memory the texts kept take, in bytes.
    qint64 text_bytes() const { return text_bytes_; }
    /// Lets a page's text go (it still counts as extracted: it is not read again).
    void forget(int page);
    /// A store of the texts `from` has extracted, taken from it (it is about to
    /// go: see leaving), without a document.
    static std::unique_ptr<text_store> take_texts(text_store& from);

signals:
    void page_extracted(int page);
    /// Every page is there.
    void completed();
    /// The store is being destroyed; its texts are still there, to be taken.
    void leaving();

private:
    friend struct text_store_step;
    void take_page(int page, page_text text);
    void receive_page(int page, QString raw, std::shared_ptr<const text_frame> frame, bool cut);
    void fold_some();
    void post_step(pdf_priority priority);
    void read_apart(int from);
    void let_go_of_apart();

    shared_document document_;
    std::vector<std::optional<page_text>> pages_;
    std::vector<bool> taken_; ///< pages received, kept or forgotten since
    int extracted_ = 0;
    qint64 text_bytes_ = 0;
    /// Pages come from the pdf thread faster than a busy GUI thread takes them: they
    /// wait here and are folded a few milliseconds' worth at a time.
    struct unfolded_page {
        int page;
        QString raw;
        std::shared_ptr<const text_frame> frame;
        bool cut;
    };
    std::deque<unfolded_page> unfolded_;
    QTimer fold_timer_;
    std::shared_ptr<text_store_state> state_;
    /// Ends with stop: the steps asked for before are dropped unrun.
    work_generation generation_;
    std::shared_ptr<text_store_run> run_;
    std::unique_ptr<text_reading_process> apart_; ///< reads part of a long document's pages
};

} // namespace krv
