// Finding words in a PDF the way a French reader expects: without regard to case
// or accents ("reglement" finds "Règlement"), in reading order. A search looks
// through the pages a text store has extracted at once and through the others as
// they come, from the page being read round to it; its hits grow meanwhile, and
// the first one after that page is told as soon as every page before it has
// been looked through. Dropping the search object cancels it.
#pragma once

#include "text_store.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRectF>
#include <QString>

#include <unordered_map>
#include <vector>

namespace krv {

struct search_hit {
    int page = 0;
    int start = 0;  ///< index of the first character in the page's text
    int length = 0; ///< characters of the page's text
};

/// Every occurrence of the folded `needle` in a page's text, in text order.
std::vector<search_hit> find_in_page(const page_text& text, int page, const QString& needle);

/// What a search says of the pages whose text Qt PDF gave only in part (their
/// indices, from 0, in any order); empty when there are none.
QString partial_search_note(const std::vector<int>& cut_pages);

/// Where a search stands, as its bar says it.
struct search_state {
    int hits = 0;
    int current = -1;  ///< the hit the reader is on, from 0; -1 before the first is known
    int percent = 100; ///< of the pages looked through
    bool running = false;
};

/// The search bar's words for a search: its count ("12 résultats", "3 sur 12"),
/// and its progress while it runs.
QString search_status_text(const search_state& state);

/// What a search makes of the hits that stand outside their page as shown
/// (text past the page's edge, or cut off by its crop box).
enum class hidden_hits {
    counted,  ///< the search in every document: its documents are let go once read
    left_out, ///< their boxes are read first (only on pages with such text)
};

class text_search : public QObject {
    Q_OBJECT
public:
    /// Searches `needle` through `store`'s pages, from `from_page` round to it.
    text_search(text_store& store, const QString& needle, int from_page,
                hidden_hits hidden = hidden_hits::counted);

    /// Looks through the pages already extracted, then waits for the others.
    void start();

    /// Every hit found so far, by page and then in text order.
    const std::vector<search_hit>& hits() const { return hits_; }
    /// The first hit from the starting page on (round to it), once known; -1 before.
    int first_hit() const { return first_hit_; }
    bool finished() const { return searched_ == store_.page_count(); }
    int pages_searched() const { return searched_; }
    /// The pages looked through whose text Qt PDF gave only in part.
    const std::vector<int>& cut_pages() const { return cut_pages_; }

    /// Where a hit stands on its page, in points; empty until asked for and read.
    const std::vector<QRectF>* rectangles(const search_hit& hit) const;
    /// Asks the pdf thread for the boxes of a page's hits; rectangles_read follows.
    void request_rectangles(int page);

signals:
    /// `count` hits came in at index `at` of hits() (later ones moved on).
    void hits_added(int at, int count);
    /// The first hit from the starting page is known (first_hit()).
    void first_hit_known();
    /// More pages have been looked through (at most every tenth of a second).
    void progressed();
    /// Every page has been looked through.
    void done();
    void rectangles_read(int page);

private:
    void search_page(int page);
    /// A page looked through: its hits come in.
    void page_searched(int page, std::vector<search_hit> found);
    /// Keeps those of a page's hits that show, once their boxes are read.
    void keep_shown_hits(int page, std::vector<search_hit> found,
                         std::shared_ptr<const text_frame> frame);
    void look_through_extracted();
    void advance_front();

    text_store& store_;
    QString needle_;
    int from_;
    hidden_hits hidden_;
    /// By page: 0 not looked through yet, 1 looked through, 2 its hits' boxes being read.
    std::vector<char> searched_pages_;
    int searched_ = 0;
    int front_ = 0;   ///< pages looked through in a row from `from_`
    int scanned_ = 0; ///< pages from `from_` whose extracted text has been looked at
    std::vector<search_hit> hits_;
    std::vector<int> cut_pages_;
    int first_hit_ = -1;
    QElapsedTimer since_progress_;
    std::unordered_map<int, std::vector<std::vector<QRectF>>> rectangles_; ///< by page, by hit
    std::vector<char> rectangles_asked_;
};

} // namespace krv
