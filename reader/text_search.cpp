#include "text_search.h"

#include "text.h"

#include <QPdfDocument>

namespace krv {

text_search::text_search(QPdfDocument* document) : document_(document) {
    pages_.resize(document ? static_cast<std::size_t>(document->pageCount()) : 0);
}

const text_search::page_text& text_search::text_of(int page) {
    auto& slot = pages_[static_cast<std::size_t>(page)];
    if (!slot) {
        page_text text;
        text.folded = fold_for_search(document_->getAllText(page).text(), &text.origin);
        slot = std::move(text);
    }
    return *slot;
}

std::vector<search_hit> text_search::find(const QString& needle) {
    std::vector<search_hit> hits;
    const QString folded = fold_for_search(needle.trimmed());
    if (folded.isEmpty())
        return hits;
    for (int page = 0; page < static_cast<int>(pages_.size()); ++page) {
        const page_text& text = text_of(page);
        for (qsizetype at = text.folded.indexOf(folded); at >= 0;
             at = text.folded.indexOf(folded, at + folded.size())) {
            const int first = text.origin[static_cast<std::size_t>(at)];
            const int last = text.origin[static_cast<std::size_t>(at + folded.size() - 1)];
            hits.push_back({page, first, last - first + 1});
        }
    }
    return hits;
}

std::vector<QRectF> text_search::rectangles(const search_hit& hit) const {
    // The boxes come a character at a time: those of one line make one rectangle.
    std::vector<QRectF> rects;
    for (const QPolygonF& polygon :
         document_->getSelectionAtIndex(hit.page, hit.start, hit.length).bounds()) {
        const QRectF box = polygon.boundingRect();
        if (!rects.empty()) {
            QRectF& last = rects.back();
            const double overlap =
                std::min(last.bottom(), box.bottom()) - std::max(last.top(), box.top());
            if (overlap > 0.5 * std::min(last.height(), box.height())) {
                last = last.united(box);
                continue;
            }
        }
        rects.push_back(box);
    }
    return rects;
}

} // namespace krv
