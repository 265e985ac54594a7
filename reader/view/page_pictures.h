// The pictures of the pages: tiles rendered on the pdf thread (the view never
// calls Qt PDF itself), kept within a budget, asked for at most once at a time,
// and dropped on the pdf thread when the view has moved on before their turn.
#pragma once

#include "page_tiles.h"
#include "pdf_thread.h"

#include <QObject>
#include <QSet>

#include <atomic>
#include <memory>
#include <vector>

namespace krv {

struct page_layout;

class page_pictures : public QObject {
    Q_OBJECT
public:
    page_pictures(qint64 budget, QObject* parent);

    tile_cache& cache() { return cache_; }
    const tile_cache& cache() const { return cache_; }
    /// A document shown (0: none): the pictures of others go, those made ready for
    /// it stay, none is awaited any more.
    void show_document(quint64 document);
    /// The pictures asked for until now are of no use but those that still show
    /// (a new scale).
    void move_on() { ++interest_->epoch; }
    /// The pages that show, first and last.
    void set_shown(int first, int last);
    /// Asks for tiles of one page, expected to be `expected` points large, those
    /// already asked for left out; unless always_wanted, they are rendered only
    /// if their page still shows when their turn comes.
    void request(const shared_document& document, std::vector<tile_key> tiles, QSizeF expected,
                 qreal ratio, pdf_priority priority, bool always_wanted);
    /// Asks now for the tiles that a document shown from its top in `layout`
    /// shows first in a view of the size `room`.
    void prepare(const shared_document& document, const page_layout& layout, QSize room,
                 qreal ratio, bool inverted);

signals:
    /// Pictures came (or will not): to paint again.
    void arrived();
    /// A page asked for is of another size than it was taken to be.
    void page_size_found(quint64 document, int page, QSizeF size);

private:
    // What jobs on the pdf thread read to tell whether their pictures still matter.
    struct interest {
        std::atomic<quint64> epoch{0}; ///< moves on with each document and zoom
        std::atomic<int> first{-1};
        std::atomic<int> last{-1};
        bool wants(int page, quint64 asked_at) const;
    };

    void take(std::vector<std::pair<tile_key, QImage>> pictures,
              const std::vector<tile_key>& asked);

    tile_cache cache_;
    quint64 document_ = 0;
    QSet<tile_key> in_flight_;
    std::shared_ptr<interest> interest_;
};

} // namespace krv
