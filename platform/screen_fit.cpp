#include "screen_fit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace krv {

namespace {

// The frame a dialog will have before the window manager tells it (openbox: 1
// and 20 pixels; others a little more).
const QMargins dialog_frame_allowance(3, 29, 3, 3);

QMargins frame_of(const QWidget& window) {
    if (!window.testAttribute(Qt::WA_Mapped))
        return dialog_frame_allowance;
    const QRect inner = window.geometry();
    const QRect outer = window.frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

class dialog_fitting : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Show && e->type() != QEvent::Resize)
            return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow() && !fitting_) {
            fitting_ = true; // the resize below comes back here
            fit_to_screen(*dialog, frame_of(*dialog));
            fitting_ = false;
        }
        return false;
    }

private:
    bool fitting_ = false;
};

} // namespace

QRect fitted_frame(const QRect& frame, const QRect& available) {
    if (available.isEmpty())
        return frame;
    const QSize size = frame.size().boundedTo(available.size());
    const int left =
        std::clamp(frame.left(), available.left(), available.right() + 1 - size.width());
    const int top =
        std::clamp(frame.top(), available.top(), available.bottom() + 1 - size.height());
    return {QPoint(left, top), size};
}

QRect available_geometry_at(const QRect& frame) {
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void fit_to_screen(QWidget& window, const QMargins& frame) {
    const QRect outer = window.geometry().marginsAdded(frame);
    const QRect fitted = fitted_frame(outer, available_geometry_at(outer));
    if (fitted == outer)
        return;
    const QSize client = fitted.marginsRemoved(frame).size().expandedTo(window.minimumSize());
    if (client != window.size())
        window.resize(client);
    // A window's position is its frame's.
    if (fitted.topLeft() != window.frameGeometry().topLeft())
        window.move(fitted.topLeft());
}

void keep_dialogs_on_screen(QApplication& app) {
    app.installEventFilter(new dialog_fitting(&app));
}

} // namespace krv
