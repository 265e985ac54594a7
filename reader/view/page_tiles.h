// Pictures of pages in tiles. A page at a zoom is cut into squares of tile_side
// device pixels; only the tiles that show are rendered, those missing at once in
// one render of the rectangle round them (each render parses the page again,
// some 3 ms), and they are kept in a cache bounded in pixels, least recently used
// out first. At 400 % a page is 14 megapixels: whole pages would not do.
#pragma once

#include <QHash>
#include <QImage>
#include <QRect>

#include <functional>
#include <list>
#include <vector>

class QPdfDocument;

namespace krv {

/// The side of a tile, in device pixels: small enough that a view's tiles add
/// little beyond what shows, large enough that a screen is a few dozen of them.
inline constexpr int tile_side = 128;

/// One tile of a page's picture at one zoom.
struct tile_key {
    quint64 document = 0;
    int page = 0;
    QSize whole; ///< the whole page's size in device pixels at that zoom
    int column = 0;
    int row = 0;
    bool inverted = false; ///< drawn in reversed colours (reading in the dark)
    bool operator==(const tile_key&) const = default;
};

size_t qHash(const tile_key& key, size_t seed = 0);

/// Where a tile stands in its page's picture (clipped to the page), device pixels.
QRect tile_rect(const tile_key& key);

/// The tiles that cover `area` (device pixels of a page of size `whole`).
std::vector<tile_key> tiles_covering(quint64 document, int page, QSize whole, const QRect& area,
                                     bool inverted = false);

/// Reverses a premultiplied picture's lightness and keeps its hues: white paper
/// turns black, black text white, a red title stays red (each channel moves by
/// the same amount, so hue and saturation stay). Some 6 ms a megapixel, on
/// the pdf thread (a plain negative takes 3, and turns a red title cyan).
void invert_lightness(QImage& picture);

/// Renders `part` of a page whose whole picture is `whole` device pixels, as the
/// same pixels of a whole-page render (pdf thread only). Qt 6.4 scales a clip
/// by (w - 1) / w: a clip one pixel larger than the picture puts every pixel in
/// place (then glyph edges alone differ, on 0 to 0.3 % of the pixels).
QImage render_part(QPdfDocument& document, int page, QSize whole, const QRect& part);

/// Tiles of one page at one zoom rendered in one call: the rectangle round them.
struct rendered_tiles {
    std::vector<tile_key> tiles;
    QRect around; ///< in the page's device pixels
    QImage picture;
};

/// Renders the rectangle round the tiles (pdf thread only), in reversed colours
/// when they are.
rendered_tiles render_tiles(QPdfDocument& document, const std::vector<tile_key>& tiles);

/// Each tile cut out of the rendered rectangle, `ratio` device pixels per pixel.
/// Each has memory of its own, mapped for it and given back to the system the
/// moment the tile goes: no heap keeps it, whichever thread cut it. Fresh memory
/// costs its page faults (some 10 us a page on a virtual machine: 7 ms for a
/// screen), which are thus paid where the tiles are cut, on the pdf thread.
std::vector<std::pair<tile_key, QImage>> cut_tiles(const rendered_tiles& rendered, qreal ratio);

/// Rendered tiles, bounded in pixels; the least recently used go first.
class tile_cache {
public:
    explicit tile_cache(qint64 pixel_budget) : budget_(pixel_budget) {}

    /// The tile's picture, marked as just used; null when not there.
    const QImage* find(const tile_key& key);
    bool contains(const tile_key& key) const { return index_.contains(key); }
    /// Keeps a tile, dropping the least recently used until within the budget.
    void insert(const tile_key& key, QImage image);
    /// Drops every tile for which `drop` is true.
    void drop_if(const std::function<bool(const tile_key&)>& drop);
    /// Every tile of a page of a document, whatever its zoom.
    void for_each_of_page(quint64 document, int page,
                          const std::function<void(const tile_key&, const QImage&)>& visit) const;
    void clear();

    qint64 pixels() const { return pixels_; }
    qint64 budget() const { return budget_; }
    void set_budget(qint64 pixels);
    int size() const { return static_cast<int>(used_.size()); }

private:
    struct entry {
        tile_key key;
        QImage image;
    };
    void shrink_to(qint64 pixels);

    qint64 budget_;
    qint64 pixels_ = 0;
    std::list<entry> used_; ///< most recently used first
    QHash<tile_key, std::list<entry>::iterator> index_;
};

} // namespace krv
