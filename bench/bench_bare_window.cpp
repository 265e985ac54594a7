// The toolkit's floor for start-up: a bare Qt Widgets window that loads a PDF with
// Qt PDF and paints its first page fitted to the width, in a frameless window of the
// viewer's size and place. Nothing else: no menu window, no timer, no reader.
// bench/bench_startup.py starts it alternately with krv_pdf and times both.
//
//     bench_bare_window FILE.pdf
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QWidget>

#include <cstdio>

namespace {

// The viewer of the help on a 1024 x 768 screen: right of the 101-pixel menu window.
constexpr QRect viewer_place(101, 0, 923, 738);
constexpr int margin = 8;

class bare_window : public QWidget {
public:
    explicit bare_window(QPdfDocument& document) : document_(document) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setGeometry(viewer_place);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        if (page_.isNull()) {
            const QSizeF points = document_.pagePointSize(0);
            const int width = this->width() - 2 * margin;
            const int height = static_cast<int>(points.height() * width / points.width());
            page_ = document_.render(0, QSize(width, height));
        }
        painter.drawImage(margin, margin, page_);
    }

private:
    QPdfDocument& document_;
    QImage page_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_bare_window FILE.pdf\n");
        return 2;
    }
    QPdfDocument document;
    if (document.load(QString::fromLocal8Bit(argv[1])) != QPdfDocument::Error::None) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 1;
    }
    bare_window window(document);
    window.show();
    return app.exec();
}
