#include "form.h"

#include "failures.h"
#include "screen_fit.h"
#include "window_decorations.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QStyleHints>
#include <QWindow>

#include <cstdint>
#include <optional>
#include <set>

namespace krv {

namespace {

// Frame of a titled window before the window manager has told its real one:
// 45 twips left and right and at the bottom, 435 twips for the title bar.
const QMargins frame_allowance(3, 29, 3, 3);

std::set<form*>& loaded_forms() {
    static std::set<form*> forms;
    return forms;
}

// The key press that last closed a window: its key, its time by the window
// system's clock (milliseconds; 0 when the event had none) and by ours.
struct closing_press {
    int key = 0;
    quint64 time = 0;
    QElapsedTimer since;
};

std::optional<closing_press>& last_closing_press() {
    static std::optional<closing_press> press;
    return press;
}

void remember_closing_press(const QKeyEvent& key) {
    closing_press& press = last_closing_press().emplace();
    press.key = key.key();
    press.time = key.timestamp();
    press.since.start();
}

} // namespace

form::form(frame_style frame) : QWidget(nullptr), frame_(frame) {
    Qt::WindowFlags flags = Qt::Window;
    if (frame == frame_style::none)
        flags |= Qt::FramelessWindowHint;
    else
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    setWindowFlags(flags);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    // The help is two windows side by side, and only one can be active: the
    // other's tooltips show too (Qt shows only the active window's).
    setAttribute(Qt::WA_AlwaysShowToolTips);
    loaded_forms().insert(this);
}

form::~form() {
    loaded_forms().erase(this);
    if (!unloaded_ && forget_)
        forget_();
}

void form::set_twips_left(float left) {
    outer_.left = left;
    apply_geometry();
}
void form::set_twips_top(float top) {
    outer_.top = top;
    apply_geometry();
}
void form::set_twips_width(float width) {
    outer_.width = width;
    apply_geometry();
}
void form::set_twips_height(float height) {
    outer_.height = height;
    apply_geometry();
}

void form::place(QWidget* control, const twips_rect& where) {
    control->setGeometry(where.to_pixels());
}

// The window system tells a window's frame once the window is on screen; before
// that the design's allowance stands in for it. A window on screen without a
// frame (no window manager) has none: it then takes its whole outer size.
bool form::frame_known() const {
    return isVisible() && testAttribute(Qt::WA_Mapped);
}

QMargins form::frame_margins() const {
    if (frame_ == frame_style::none)
        return {};
    if (!frame_known())
        return frame_allowance;
    const QRect inner = geometry();
    const QRect outer = frameGeometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

// The outer rectangle is what the program sets; the client area takes what the
// window manager's frame leaves, so that windows placed side by side abut.
void form::apply_geometry(bool with_position) {
    QRect outer = outer_.to_pixels();
    // A modal window (the list) stays whole on a short screen: moved, clamped if
    // even that is not enough; its twips stay the design's.
    if (windowModality() != Qt::NonModal)
        outer = fitted_frame(outer, available_geometry_at(outer));
    const QMargins margins = frame_margins();
    applied_margins_ = margins;
    QSize client(std::max(0, outer.width() - margins.left() - margins.right()),
                 std::max(0, outer.height() - margins.top() - margins.bottom()));
    // On a scaled screen the frame's thin borders are fractions of a pixel, which
    // Qt rounds up: a client as wide as that leaves a gap of a device pixel beside
    // the next window. One pixel more makes the frame overlap it instead.
    if (devicePixelRatioF() != 1.0 && margins.left() + margins.right() > 0)
        client.rwidth() += 1;
    setFixedSize(client);
    if (with_position)
        move(outer.topLeft());
}

bool form::event(QEvent* e) {
    const bool handled = QWidget::event(e);
    switch (e->type()) {
    case QEvent::Show:
        // Sent before the window is mapped: the window manager reads its hints then.
        if (frame_ == frame_style::fixed_single)
            ask_title_and_border_only(*this);
        // The window comes on screen (exposed) a moment after being shown.
        if (windowHandle() && !watching_exposure_) {
            windowHandle()->installEventFilter(this);
            watching_exposure_ = true;
        }
        [[fallthrough]];
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
        // The window manager has told the real frame: the client area gives way to
        // it. Moving a mapped window again would put its frame off by the frame's width.
        if (frame_ != frame_style::none && frame_margins() != applied_margins_)
            apply_geometry(false);
        break;
    default:
        break;
    }
    return handled;
}

bool form::eventFilter(QObject* watched, QEvent* e) {
    if (watched == windowHandle() && e->type() == QEvent::Expose)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (frame_ != frame_style::none && frame_margins() != applied_margins_)
                    apply_geometry(false);
            },
            Qt::QueuedConnection);
    return QWidget::eventFilter(watched, e);
}

void form::closeEvent(QCloseEvent* e) {
    if (unloaded_ || program_ending()) {
        e->accept();
        return;
    }
    e->ignore();
    run_handler([this] { system_close(); });
}

void form::show_modeless() {
    // A window shown afresh takes every key: a key that closed another is forgotten.
    last_closing_press().reset();
    show();
}

void form::show_modal() {
    setWindowModality(Qt::ApplicationModal);
    apply_geometry();
    show_modeless();
    raise();
    activateWindow();
    if (unloaded_)
        return;
    QEventLoop loop;
    modal_loop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    // The window may be gone by now: nothing of it is touched after the loop.
}

void form::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    hide();
    if (forget_)
        forget_();
    loaded_forms().erase(this);
    if (modal_loop_)
        modal_loop_->quit();
    deleteLater();
}

void form::refresh() {
    repaint();
}

void form::bring_to_front() {
    raise();
    activateWindow();
}

void unload_all_forms() {
    while (!loaded_forms().empty()) {
        form* f = *loaded_forms().begin();
        loaded_forms().erase(f);
        delete f;
    }
}

std::int16_t key_ascii(int qt_key, const QString& text, Qt::KeyboardModifiers modifiers) {
    switch (qt_key) {
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    default:
        break;
    }
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return 0;
    if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() < 0x8000)
        return static_cast<std::int16_t>(text[0].unicode());
    return 0;
}

bool preview_key(QObject* receiver, QEvent* e) {
    if (e->type() != QEvent::KeyPress || !receiver->isWidgetType())
        return false;
    auto* target = qobject_cast<form*>(static_cast<QWidget*>(receiver)->window());
    if (!target || !target->key_preview() || target->unloaded())
        return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    std::int16_t code = key_ascii(key->key(), key->text(), key->modifiers());
    if (code == 0)
        return false;
    QPointer<form> alive(target);
    run_handler([&] { target->Form_KeyPress(code); });
    // A key that closed its window, or the program, goes no further.
    if (!alive || alive->unloaded()) {
        remember_closing_press(*key);
        return true;
    }
    return code == 0 || program_ending();
}

bool rest_of_closing_key(const QEvent* e) {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
        return false;
    std::optional<closing_press>& press = last_closing_press();
    const auto* key = static_cast<const QKeyEvent*>(e);
    if (!press || key->key() != press->key)
        return false;
    // Window system times are 32-bit milliseconds, which wrap after 49 days.
    const qint64 elapsed = key->timestamp() && press->time
                               ? static_cast<std::uint32_t>(key->timestamp() - press->time)
                               : press->since.elapsed();
    if (key->isAutoRepeat() || elapsed <= QGuiApplication::styleHints()->mouseDoubleClickInterval())
        return true;
    press.reset();
    return false;
}

} // namespace krv
