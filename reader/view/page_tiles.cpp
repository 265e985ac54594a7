#include "page_tiles.h"

#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>

#include <algorithm>
#include <cstring>
#include <sys/mman.h>

namespace krv {

namespace {

qint64 area(const QImage& image) {
    return static_cast<qint64>(image.width()) * image.height();
}

struct mapping {
    void* data;
    std::size_t size;
};

void unmap(void* info) {
    const auto* m = static_cast<mapping*>(info);
    ::munmap(m->data, m->size);
    delete m;
}

// A part of a 32-bit picture copied into a mapping of its own.
QImage mapped_copy(const QImage& from, const QRect& part) {
    const qsizetype line = static_cast<qsizetype>(part.width()) * 4;
    const auto size = static_cast<std::size_t>(line) * static_cast<std::size_t>(part.height());
    void* data = size && from.depth() == 32 ? ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                                                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                            : MAP_FAILED;
    if (data == MAP_FAILED)
        return from.copy(part);
    auto* bytes = static_cast<uchar*>(data);
    for (int y = 0; y < part.height(); ++y)
        std::memcpy(bytes + y * line, from.constScanLine(part.top() + y) + part.left() * 4,
                    static_cast<std::size_t>(line));
    return QImage(bytes, part.width(), part.height(), line, from.format(), unmap,
                  new mapping{data, size});
}

} // namespace

size_t qHash(const tile_key& key, size_t seed) {
    return qHashMulti(seed, key.document, key.page, key.whole.width(), key.whole.height(),
                      key.column, key.row, key.inverted);
}

QRect tile_rect(const tile_key& key) {
    return QRect(key.column * tile_side, key.row * tile_side, tile_side, tile_side) &
           QRect(QPoint(0, 0), key.whole);
}

std::vector<tile_key> tiles_covering(quint64 document, int page, QSize whole, const QRect& area,
                                     bool inverted) {
    std::vector<tile_key> tiles;
    const QRect inside = area & QRect(QPoint(0, 0), whole);
    if (inside.isEmpty())
        return tiles;
    for (int row = inside.top() / tile_side; row <= inside.bottom() / tile_side; ++row)
        for (int column = inside.left() / tile_side; column <= inside.right() / tile_side; ++column)
            tiles.push_back({document, page, whole, column, row, inverted});
    return tiles;
}

QImage render_part(QPdfDocument& document, int page, QSize whole, const QRect& part) {
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    if (part == QRect(QPoint(0, 0), whole))
        return document.render(page, whole, options);
    options.setScaledSize(whole);
    options.setScaledClipRect(QRect(part.topLeft(), part.size() + QSize(1, 1)));
    return document.render(page, part.size(), options);
}

rendered_tiles render_tiles(QPdfDocument& document, const std::vector<tile_key>& tiles) {
    rendered_tiles rendered{tiles, {}, {}};
    if (tiles.empty())
        return rendered;
    for (const tile_key& key : tiles)
        rendered.around |= tile_rect(key);
    const tile_key& first = tiles.front();
    rendered.picture = render_part(document, first.page, first.whole, rendered.around);
    // Premultiplied, as the painter draws fastest (done once, here, not at every paint).
    rendered.picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (first.inverted)
        invert_lightness(rendered.picture);
    return rendered;
}

void invert_lightness(QImage& picture) {
    if (picture.format() != QImage::Format_ARGB32_Premultiplied)
        picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = line[x];
            const int a = qAlpha(p), r = qRed(p), g = qGreen(p), b = qBlue(p);
            // Lightness is (max + min) / 2: moving every channel by a - max - min
            // turns it into a - lightness, with the same spread between channels.
            const int shift = a - std::max({r, g, b}) - std::min({r, g, b});
            line[x] = qRgba(r + shift, g + shift, b + shift, a);
        }
    }
}

std::vector<std::pair<tile_key, QImage>> cut_tiles(const rendered_tiles& rendered, qreal ratio) {
    std::vector<std::pair<tile_key, QImage>> pictures;
    if (rendered.picture.isNull())
        return pictures;
    for (const tile_key& key : rendered.tiles) {
        QImage tile =
            mapped_copy(rendered.picture, tile_rect(key).translated(-rendered.around.topLeft()));
        tile.setDevicePixelRatio(ratio);
        pictures.emplace_back(key, std::move(tile));
    }
    return pictures;
}

const QImage* tile_cache::find(const tile_key& key) {
    const auto found = index_.find(key);
    if (found == index_.end())
        return nullptr;
    used_.splice(used_.begin(), used_, found.value());
    return &used_.front().image;
}

void tile_cache::insert(const tile_key& key, QImage image) {
    if (const auto found = index_.find(key); found != index_.end()) {
        pixels_ -= area(found.value()->image);
        used_.erase(found.value());
        index_.erase(found);
    }
    pixels_ += area(image);
    used_.push_front({key, std::move(image)});
    index_.insert(key, used_.begin());
    shrink_to(budget_);
}

void tile_cache::shrink_to(qint64 pixels) {
    while (pixels_ > pixels && !used_.empty()) {
        pixels_ -= area(used_.back().image);
        index_.remove(used_.back().key);
        used_.pop_back();
    }
}

void tile_cache::set_budget(qint64 pixels) {
    budget_ = pixels;
    shrink_to(budget_);
}

void tile_cache::drop_if(const std::function<bool(const tile_key&)>& drop) {
    for (auto it = used_.begin(); it != used_.end();) {
        if (drop(it->key)) {
            pixels_ -= area(it->image);
            index_.remove(it->key);
            it = used_.erase(it);
        } else {
            ++it;
        }
    }
}

void tile_cache::for_each_of_page(
    quint64 document, int page,
    const std::function<void(const tile_key&, const QImage&)>& visit) const {
    for (const entry& e : used_)
        if (e.key.document == document && e.key.page == page)
            visit(e.key, e.image);
}

void tile_cache::clear() {
    used_.clear();
    index_.clear();
    pixels_ = 0;
}

} // namespace krv
