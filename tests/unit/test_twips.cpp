// Twips to pixels: rounding to nearest, and rectangles that abut in twips abut
// in pixels.
#include "twips.h"

#include <QTest>

using namespace krv;

class test_twips : public QObject {
    Q_OBJECT

private slots:
    void rounding_to_nearest_data() {
        QTest::addColumn<float>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("0") << 0.0f << 0;
        QTest::newRow("7 (under half)") << 7.0f << 0;
        QTest::newRow("7.5 (half away from zero)") << 7.5f << 1;
        QTest::newRow("14 (over half)") << 14.0f << 1;
        QTest::newRow("1515") << 1515.0f << 101;
        QTest::newRow("2512.5") << 2512.5f << 168;
        QTest::newRow("13845") << 13845.0f << 923;
        QTest::newRow("-1305 (a narrow screen)") << -1305.0f << -87;
        QTest::newRow("-7.5") << -7.5f << -1;
    }
    void rounding_to_nearest() {
        QFETCH(float, twips);
        QFETCH(int, pixels);
        QCOMPARE(to_pixels(twips), pixels);
    }

    void abutting_rectangles_abut_data() {
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("width");
        QTest::newRow("menu and viewer") << 0.0f << 1515.0f;
        QTest::newRow("half-pixel edge") << 7.5f << 22.5f;
        QTest::newRow("dialog over the viewer") << 2512.5f << 11850.0f;
    }
    void abutting_rectangles_abut() {
        QFETCH(float, left);
        QFETCH(float, width);
        const QRect a = twips_rect{left, 0, width, 150}.to_pixels();
        const QRect b = twips_rect{left + width, 0, 300, 150}.to_pixels();
        QCOMPARE(a.right() + 1, b.left());
        QCOMPARE(a.left(), to_pixels(left));
    }
};

QTEST_GUILESS_MAIN(test_twips)
#include "test_twips.moc"
