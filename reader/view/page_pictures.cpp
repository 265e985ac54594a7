#include "page_pictures.h"

#include "page_layout.h"

#include <QPdfDocument>
#include <QPointer>

namespace krv {

bool page_pictures::interest::wants(int page, quint64 asked_at) const {
    // A page just beyond the view is still worth its picture: it shows next.
    return epoch.load() == asked_at && page >= first.load() - 1 && page <= last.load() + 1;
}

page_pictures::page_pictures(qint64 budget, QObject* parent)
    : QObject(parent), cache_(budget), interest_(std::make_shared<interest>()) {}

void page_pictures::show_document(quint64 document) {
    document_ = document;
    cache_.drop_if([document](const tile_key& key) { return key.document != document; });
    in_flight_.clear();
    move_on();
}

void page_pictures::set_shown(int first, int last) {
    interest_->first = first;
    interest_->last = last;
}

void page_pictures::request(const shared_document& document, std::vector<tile_key> tiles,
                            QSizeF expected, qreal ratio, pdf_priority priority,
                            bool always_wanted) {
    std::erase_if(tiles, [this](const tile_key& key) { return in_flight_.contains(key); });
    pdf_thread* thread = document ? document->thread() : nullptr;
    if (tiles.empty() || !thread)
        return;
    for (const tile_key& key : tiles)
        in_flight_.insert(key);
    const int page = tiles.front().page;
    const quint64 asked_at = interest_->epoch.load();
    const quint64 id = tiles.front().document;
    QPointer<page_pictures> self(this);
    thread->post(id, priority, [=, watch = interest_](QPdfDocument& pdf) {
        if (!always_wanted && !watch->wants(page, asked_at)) {
            thread->reply([self, tiles] {
                if (self)
                    self->take({}, tiles);
            });
            return;
        }
        // A page of another size than was taken for it: its place changes first.
        const QSizeF real = pdf.pagePointSize(page);
        if (real != expected) {
            thread->reply([self, id, page, real, tiles] {
                if (!self)
                    return;
                self->take({}, tiles);
                emit self->page_size_found(id, page, real);
            });
            return;
        }
        // Cut here, not on the GUI thread: copying a screen of tiles into fresh
        // memory took it 8 to 18 ms, its longest stall while a manual was searched.
        thread->reply([self, pictures = cut_tiles(render_tiles(pdf, tiles), ratio), tiles] {
            if (self)
                self->take(pictures, tiles);
        });
    });
}

void page_pictures::take(std::vector<std::pair<tile_key, QImage>> pictures,
                         const std::vector<tile_key>& asked) {
    for (const tile_key& key : asked)
        in_flight_.remove(key);
    for (auto& [key, image] : pictures)
        if (key.document == document_)
            cache_.insert(key, std::move(image));
    emit arrived();
}

void page_pictures::prepare(const shared_document& document, const page_layout& layout, QSize room,
                            qreal ratio, bool inverted) {
    pdf_thread* thread = document ? document->thread() : nullptr;
    if (!thread)
        return;
    const QRect view(QPoint(0, 0), room);
    // Shown from its top: the view's scroll position will be nought.
    for (int page = 0; page < layout.page_count(); ++page) {
        const QRect area(layout.origin(page, room.width()), layout.page_pixels(page));
        if (area.top() >= room.height())
            break;
        const QRect shown = area.intersected(view).translated(-area.topLeft());
        const QRect device(shown.topLeft() * ratio, shown.size() * ratio);
        const auto tiles =
            tiles_covering(document->id(), page, area.size() * ratio, device, inverted);
        const QSizeF expected = layout.points[static_cast<std::size_t>(page)];
        QPointer<page_pictures> self(this);
        thread->post(*document, pdf_priority::interactive, [=](QPdfDocument& pdf) {
            if (pdf.pagePointSize(page) != expected)
                return; // laid out otherwise when shown: its pictures are asked for then
            thread->reply([self, pictures = cut_tiles(render_tiles(pdf, tiles), ratio)] {
                if (self)
                    for (const auto& [key, image] : pictures)
                        self->cache_.insert(key, image);
            });
        });
    }
}

} // namespace krv
