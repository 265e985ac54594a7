#include "chapter.h"

#include <algorithm>

namespace krv {

namespace {

// The level the chapters stand at: the top, unless one entry holds all the others.
int chapter_depth(const std::vector<outline_mark>& outline) {
    const auto at = [&](int depth) {
        return std::count_if(outline.begin(), outline.end(),
                             [depth](const outline_mark& m) { return m.depth == depth; });
    };
    return at(0) == 1 && at(1) > 0 ? 1 : 0;
}

} // namespace

std::optional<page_span> chapter_pages(const std::vector<outline_mark>& outline, int page_count,
                                       int current_page) {
    const int depth = chapter_depth(outline);
    std::vector<int> starts;
    for (const outline_mark& mark : outline)
        if (mark.depth == depth && mark.page >= 0 && mark.page < page_count)
            starts.push_back(mark.page);
    if (starts.empty())
        return std::nullopt;
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    const int page = std::clamp(current_page, 0, page_count - 1);
    // The first chapter starting after the page; the one before it holds the page.
    const auto next = std::upper_bound(starts.begin(), starts.end(), page);
    const int first = next == starts.begin() ? 0 : *std::prev(next);
    const int last = next == starts.end() ? page_count - 1 : *next - 1;
    return page_span{first, last};
}

chapter_offer offer_chapter(const std::optional<std::vector<outline_mark>>& outline, int page_count,
                            int current_page) {
    chapter_offer offer;
    offer.text = QStringLiteral("Chapitre courant");
    if (!outline) {
        offer.why_not = QStringLiteral(
            "La table des matières du document n’est pas encore lue\u00a0: ses chapitres "
            "ne sont pas encore connus.");
        return offer;
    }
    if (outline->empty()) {
        offer.why_not = QStringLiteral(
            "Ce document n’a pas de table des matières\u00a0: ses chapitres ne sont pas connus.");
        return offer;
    }
    offer.pages = chapter_pages(*outline, page_count, current_page);
    if (!offer.pages) {
        offer.why_not =
            QStringLiteral("La table des matières de ce document ne mène à aucune de ses pages.");
        return offer;
    }
    const int first = offer.pages->first + 1;
    const int last = offer.pages->last + 1;
    offer.text += first == last ? QStringLiteral(" (p.\u00a0%1)").arg(first)
                                : QStringLiteral(" (p.\u00a0%1 à %2)").arg(first).arg(last);
    return offer;
}

} // namespace krv
