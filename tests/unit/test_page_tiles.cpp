// Tiles of pages: which cover a part of a page, and the cache that keeps them
// within a number of pixels, least recently used first.
#include "page_tiles.h"

#include <QTest>

using namespace krv;

Q_DECLARE_METATYPE(QRect)

namespace {

QImage tile_image(int width, int height) {
    return QImage(width, height, QImage::Format_ARGB32_Premultiplied);
}

tile_key key(int page, int column, int row = 0, QSize whole = {1000, 1400}) {
    return {1, page, whole, column, row};
}

} // namespace

class test_page_tiles : public QObject {
    Q_OBJECT

private slots:
    void tiles_cover_the_part_and_stay_on_the_page_data() {
        QTest::addColumn<QSize>("whole");
        QTest::addColumn<QRect>("part");
        QTest::addColumn<int>("count");
        QTest::addColumn<QRect>("covered"); // the tiles' union
        const int s = tile_side;
        QTest::newRow("one tile") << QSize(1000, 1400) << QRect(10, 10, 20, 20) << 1
                                  << QRect(0, 0, s, s);
        QTest::newRow("a tile's edge, inside")
            << QSize(1000, 1400) << QRect(0, 0, s, s) << 1 << QRect(0, 0, s, s);
        QTest::newRow("one pixel past it")
            << QSize(1000, 1400) << QRect(0, 0, s + 1, s) << 2 << QRect(0, 0, 2 * s, s);
        QTest::newRow("the last tiles, cut to the page")
            << QSize(300, 300) << QRect(200, 200, 500, 500) << 4 << QRect(s, s, 300 - s, 300 - s);
        QTest::newRow("beside the page")
            << QSize(300, 300) << QRect(400, 0, 50, 50) << 0 << QRect();
        QTest::newRow("a page smaller than a tile")
            << QSize(40, 30) << QRect(0, 0, 915, 730) << 1 << QRect(0, 0, 40, 30);
    }
    void tiles_cover_the_part_and_stay_on_the_page() {
        QFETCH(QSize, whole);
        QFETCH(QRect, part);
        QFETCH(int, count);
        QFETCH(QRect, covered);
        const std::vector<tile_key> tiles = tiles_covering(7, 2, whole, part);
        QCOMPARE(int(tiles.size()), count);
        QRect all;
        for (const tile_key& t : tiles) {
            QCOMPARE(t.document, quint64(7));
            QCOMPARE(t.page, 2);
            QVERIFY(QRect(QPoint(0, 0), whole).contains(tile_rect(t)));
            all |= tile_rect(t);
        }
        QCOMPARE(all, covered);
    }

    void cache_keeps_within_its_pixels_the_latest_used() {
        const qint64 one = qint64(tile_side) * tile_side;
        tile_cache cache(3 * one);
        for (int column = 0; column < 3; ++column)
            cache.insert(key(0, column), tile_image(tile_side, tile_side));
        QCOMPARE(cache.pixels(), 3 * one);
        QVERIFY(cache.find(key(0, 0))); // used again: now the latest
        cache.insert(key(0, 3), tile_image(tile_side, tile_side));
        QCOMPARE(cache.pixels(), 3 * one);
        QVERIFY(cache.contains(key(0, 0)));
        QVERIFY(!cache.contains(key(0, 1))); // the least recently used went
        QVERIFY(cache.contains(key(0, 3)));
        // The same tile again replaces it, and counts once.
        cache.insert(key(0, 3), tile_image(tile_side, 10));
        QCOMPARE(cache.pixels(), 2 * one + tile_side * 10);
        // A smaller budget lets go at once; the drop rule too.
        cache.set_budget(one);
        QVERIFY(cache.pixels() <= one);
        cache.insert(key(1, 0, 0, {500, 700}), tile_image(10, 10));
        cache.drop_if([](const tile_key& k) { return k.whole != QSize(500, 700); });
        QCOMPARE(cache.size(), 1);
        QCOMPARE(cache.pixels(), qint64(100));
        int seen = 0;
        cache.for_each_of_page(1, 1, [&](const tile_key&, const QImage&) { ++seen; });
        QCOMPARE(seen, 1);
        cache.clear();
        QCOMPARE(cache.pixels(), qint64(0));
        QVERIFY(!cache.find(key(1, 0, 0, {500, 700})));
    }
};

QTEST_APPLESS_MAIN(test_page_tiles)
#include "test_page_tiles.moc"
