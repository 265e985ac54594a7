// Twips to pixels: rounding to nearest, and rectangles that abut in twips abut
// in pixels; a window kept on a short screen.
#include "screen_fit.h"
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

    // Screens in logical pixels: 800 x 600, and 1920 x 1080 at scale 2.
    void windows_fit_their_screen_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("fitted");
        const QRect small(0, 0, 800, 600), scaled(0, 0, 960, 540);
        QTest::newRow("fits: stays")
            << QRect(100, 50, 400, 300) << small << QRect(100, 50, 400, 300);
        QTest::newRow("list, 800 wide")
            << QRect(55, 111, 790, 546) << small << QRect(10, 54, 790, 546);
        QTest::newRow("list, scale 2")
            << QRect(73, 111, 790, 546) << scaled << QRect(73, 0, 790, 540);
        QTest::newRow("preview, scale 2")
            << QRect(-20, 40, 1000, 738) << scaled << QRect(0, 0, 960, 540);
        QTest::newRow("second screen") << QRect(1900, 700, 300, 200) << QRect(1920, 0, 1024, 768)
                                       << QRect(1920, 568, 300, 200);
    }
    void windows_fit_their_screen() {
        QFETCH(QRect, frame);
        QFETCH(QRect, screen);
        QFETCH(QRect, fitted);
        QCOMPARE(fitted_frame(frame, screen), fitted);
    }
};

QTEST_GUILESS_MAIN(test_twips)
#include "test_twips.moc"
