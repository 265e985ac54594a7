// Where a destination puts the view: the point of the page, in the page as Qt PDF
// shows it (crop box corner, rotation, y down), for each kind of destination.
#include "page_geometry.h"

#include <QTest>

using namespace krv;

namespace {

destination make(destination_kind kind, std::optional<double> left, std::optional<double> top,
                 std::optional<double> bottom = {}, std::optional<double> right = {}) {
    destination d;
    d.page_index = 2;
    d.kind = kind;
    d.left = left;
    d.top = top;
    d.bottom = bottom;
    d.right = right;
    return d;
}

page_geometry page(int rotation, pdf_rect crop = {0, 0, 595, 842}) {
    page_geometry g;
    g.crop_box = crop;
    g.rotation = rotation;
    const bool turned = rotation == 90 || rotation == 270;
    g.view_width = turned ? crop.top - crop.bottom : crop.right - crop.left;
    g.view_height = turned ? crop.right - crop.left : crop.top - crop.bottom;
    return g;
}

constexpr double none = -1; // a coordinate left out

} // namespace

class test_destinations : public QObject {
    Q_OBJECT

private slots:
    void the_point_that_goes_to_the_top_data() {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("x"); // none: left out, the view keeps the page's edge
        QTest::addColumn<double>("y");
        auto row = [](const char* tag, int rotation, destination_kind kind, double left, double top,
                      double x, double y) {
            QTest::newRow(tag) << rotation << static_cast<int>(kind) << left << top << x << y;
        };
        // "1 Introduction" of the beamer user guide: /XYZ top 771.02 on an A4-like page.
        row("/XYZ, the heading 70.98 pt down", 0, destination_kind::xyz, 0, 771.02, 0, 70.98);
        row("/XYZ with a left", 0, destination_kind::xyz, 72, 600, 72, 242);
        row("/XYZ, no top: the page's top", 0, destination_kind::xyz, none, none, none, none);
        row("/FitH", 0, destination_kind::fit_h, none, 300, none, 542);
        row("/Fit", 0, destination_kind::fit, none, none, none, none);
        row("/FitV: a left only", 0, destination_kind::fit_v, 100, none, 100, none);
        row("/XYZ above the page: clamped", 0, destination_kind::xyz, 0, 900, 0, 0);
        row("turned a quarter", 90, destination_kind::xyz, 100, 600, 600, 100);
        row("turned half", 180, destination_kind::xyz, 100, 600, 495, 600);
        row("turned three quarters", 270, destination_kind::xyz, 100, 600, 242, 495);
    }
    void the_point_that_goes_to_the_top() {
        QFETCH(int, rotation);
        QFETCH(int, kind);
        QFETCH(double, left);
        QFETCH(double, top);
        QFETCH(double, x);
        QFETCH(double, y);
        auto given = [](double v) { return v == none ? std::optional<double>() : v; };
        const jump_target jump = jump_target_of(
            page(rotation), make(static_cast<destination_kind>(kind), given(left), given(top)));
        QCOMPARE(jump.page_index, 2);
        QCOMPARE(jump.x.has_value(), x != none);
        QCOMPARE(jump.y.has_value(), y != none);
        if (jump.x)
            QVERIFY(qAbs(*jump.x - x) < 0.01);
        if (jump.y)
            QVERIFY(qAbs(*jump.y - y) < 0.01);
    }

    void fitr_shows_its_top_left_corner() {
        const jump_target jump =
            jump_target_of(page(0), make(destination_kind::fit_r, 10, 737, 200, 300));
        QVERIFY(qAbs(*jump.x - 10) < 0.01);
        QVERIFY(qAbs(*jump.y - 105) < 0.01);
    }

    void the_crop_box_is_the_origin() {
        const jump_target jump =
            jump_target_of(page(0, {100, 150, 500, 800}), make(destination_kind::xyz, 120, 700));
        QVERIFY(qAbs(*jump.x - 20) < 0.01);
        QVERIFY(qAbs(*jump.y - 100) < 0.01);
    }
};

QTEST_APPLESS_MAIN(test_destinations)
#include "test_destinations.moc"
