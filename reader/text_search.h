// Finding words in a PDF the way a French reader expects: without regard to case
// or accents ("reglement" finds "Règlement"), across all pages, in reading order.
#pragma once

#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class QPdfDocument;

namespace krv {

struct search_hit {
    int page = 0;
    int start = 0;  ///< index of the first character in the page's text
    int length = 0; ///< characters of the page's text
};

class text_search {
public:
    explicit text_search(QPdfDocument* document);

    /// Every occurrence of `needle` in the document, page by page, in text order.
    std::vector<search_hit> find(const QString& needle);
    /// Where a hit stands on its page, in points (one rectangle per line it spans).
    std::vector<QRectF> rectangles(const search_hit& hit) const;

private:
    struct page_text {
        QString folded;
        std::vector<int> origin;
    };
    const page_text& text_of(int page);

    QPdfDocument* document_;
    std::vector<std::optional<page_text>> pages_;
};

} // namespace krv
