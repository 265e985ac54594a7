// The pictures on a scaled screen (run with QT_SCALE_FACTOR=2, and 1.5): what the
// windows show is the drawing made for that scale, pixel for pixel, never the
// small drawing enlarged.
#include "affic_pdf.h"
#include "fixture.h"
#include "icc.h"
#include "krv_pdf2.h"
#include "menu_pdf.h"
#include "pdf_component.h"
#include "resources.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QTimer>
#include <QToolButton>

using namespace krv;

namespace {

QImage rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

// What a picture control of that picture must show at the ratio: the 2x drawing
// itself at 2, and at 1.5 the 2x drawing made smaller (never the 1x one enlarged).
QImage expected(const QString& picture, qreal ratio) {
    const QImage twice(pictures::rendition(picture, QStringLiteral("@2x")));
    if (ratio == 2.0)
        return rgb(twice);
    const QSize size = QImage(picture).size();
    const QSize device(qCeil(size.width() * ratio), qCeil(size.height() * ratio));
    return rgb(twice.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// How far two pictures of the same size are apart: the share of pixels that differ
// by more than a few levels on some channel.
double difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 1.0;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            differing += std::abs(p.red() - q.red()) > 3 || std::abs(p.green() - q.green()) > 3 ||
                         std::abs(p.blue() - q.blue()) > 3;
        }
    return double(differing) / (a.width() * a.height());
}

} // namespace

class test_pictures : public QObject {
    Q_OBJECT
    program_fixture fixture_;
    qreal ratio_ = 1;

private slots:
    void initTestCase() {
        QVERIFY(fixture_.set_up());
        QVERIFY(samples::write_colour_pdf("Documentation.pdf", Qt::white, "Documentation"));
        menu_pdf& menu = load_form<menu_pdf>();
        menu.show_modeless();
        ratio_ = menu.devicePixelRatioF();
        if (ratio_ <= 1.0)
            QSKIP("run with QT_SCALE_FACTOR=2 or 1.5");
        QTRY_VERIFY(find_form<affic_pdf>()->APDF_Objet->document());
    }
    void cleanupTestCase() { fixture_.tear_down(); }

    void menu_pictures_are_drawn_for_the_scale() {
        const menu_pdf& menu = *find_form<menu_pdf>();
        for (auto [control, picture] :
             {std::pair{menu.bt_rech, pictures::bt_rech}, std::pair{menu.bt_fin, pictures::bt_fin},
              std::pair{menu.Image1, pictures::logo}}) {
            const QImage shown = rgb(control->grab().toImage());
            QCOMPARE(shown.size(), expected(picture, ratio_).size());
            QVERIFY2(difference(shown, expected(picture, ratio_)) == 0.0, qPrintable(picture));
            // And visibly not the small drawing enlarged.
            const QImage enlarged = rgb(QImage(picture).scaled(shown.size()));
            QVERIFY(difference(shown, enlarged) > 0.05);
        }
    }

    void toolbar_pictures_are_drawn_for_the_scale() {
        pdf_component* reader = find_form<affic_pdf>()->APDF_Objet;
        reader->search()->open(); // the search bar is built when first used
        const auto tools = reader->findChildren<QToolButton*>();
        QVERIFY(tools.size() >= 13);
        // The drawing made for the scale: 1.5 has one of its own.
        const QString scale = ratio_ == 2.0 ? QStringLiteral("@2x") : QStringLiteral("@1.5x");
        const QImage print(pictures::rendition(pictures::tool_print, scale));
        int found = 0;
        for (const QToolButton* tool : tools) {
            if (tool->iconSize() != QSize(20, 20))
                continue; // the search field's clear button is Qt's own
            const QPixmap shown = tool->icon().pixmap(tool->iconSize(), ratio_);
            QCOMPARE(shown.size(), tool->iconSize() * ratio_);
            found += shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
                     print.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
        QCOMPARE(found, 1); // the print button's
    }

    void list_pictures_are_drawn_for_the_scale() {
        menu_pdf& menu = *find_form<menu_pdf>();
        QList<std::pair<QImage, QImage>> seen; // shown, expected
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            krv_pdf2* dialog = find_form<krv_pdf2>();
            if (!dialog)
                return;
            seen.append(
                {rgb(dialog->btc_ok->grab().toImage()), expected(pictures::btc_ok, ratio_)});
            // A corner of the border, shown at its own size.
            seen.append(
                {rgb(dialog->ccb[0]->grab().toImage()), expected(pictures::border[0], ratio_)});
            dialog->annul_demande();
        });
        menu.bt_rech_Click();
        QCOMPARE(seen.size(), 2);
        for (const auto& [shown, wanted] : seen)
            QVERIFY(difference(shown, wanted) == 0.0);
    }
};

KRV_TEST_MAIN(test_pictures)
#include "test_pictures.moc"
