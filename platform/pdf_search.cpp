#include "pdf_search.h"

#include <QPdfDocument>

namespace krv {

namespace {

void append_folded(QChar c, int from, QString& out, std::vector<int>* origin) {
    auto put = [&](QChar folded) {
        out.append(folded);
        if (origin)
            origin->push_back(from);
    };
    const char16_t u = c.unicode();
    if (u < 0x80) {
        put(QChar(u >= 'A' && u <= 'Z' ? u + 32 : u));
        return;
    }
    switch (u) {
    case u'œ': case u'Œ': put(u'o'); put(u'e'); return;
    case u'æ': case u'Æ': put(u'a'); put(u'e'); return;
    case u'ß': put(u's'); put(u's'); return;
    case 0x2019: case 0x2018: put(u'\''); return; // typographic apostrophes
    case 0x00A0: case 0x202F: put(u' '); return;  // non-breaking spaces
    default: break;
    }
    if (c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_SpacingCombining)
        return;
    const QChar::Decomposition tag = c.decompositionTag();
    if (tag == QChar::Canonical || tag == QChar::Compat || tag == QChar::Font) {
        for (QChar part : c.decomposition())
            append_folded(part, from, out, origin);
        return;
    }
    put(c.toCaseFolded());
}

} // namespace

QString fold_for_search(const QString& text, std::vector<int>* origin) {
    QString out;
    out.reserve(text.size());
    if (origin) {
        origin->clear();
        origin->reserve(static_cast<std::size_t>(text.size()));
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        append_folded(text[i], static_cast<int>(i), out, origin);
    return out;
}

pdf_text_search::pdf_text_search(QPdfDocument* document) : document_(document) {
    pages_.resize(document ? static_cast<std::size_t>(document->pageCount()) : 0);
}

const pdf_text_search::page_text& pdf_text_search::text_of(int page) {
    auto& slot = pages_[static_cast<std::size_t>(page)];
    if (!slot) {
        page_text text;
        text.folded = fold_for_search(document_->getAllText(page).text(), &text.origin);
        slot = std::move(text);
    }
    return *slot;
}

std::vector<search_hit> pdf_text_search::find(const QString& needle) {
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

std::vector<QRectF> pdf_text_search::rectangles(const search_hit& hit) const {
    // The boxes come a character at a time: those of one line make one rectangle.
    std::vector<QRectF> rects;
    for (const QPolygonF& polygon : document_->getSelectionAtIndex(hit.page, hit.start, hit.length).bounds()) {
        const QRectF box = polygon.boundingRect();
        if (!rects.empty()) {
            QRectF& last = rects.back();
            const double overlap = std::min(last.bottom(), box.bottom()) - std::max(last.top(), box.top());
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
