#include "tab_between_windows.h"

#include "application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>

namespace krv {

namespace {

// As Qt chooses where Tab goes: a visible, enabled widget of the window that takes
// the focus by Tab itself (not through another).
bool is_tab_stop(const QWidget* widget, const QWidget* window) {
    return widget != window && widget->window() == window &&
           (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
           widget->isVisibleTo(window) && !widget->focusProxy();
}

// The stop Tab (or Shift+Tab) goes to from `from`, or null when it would wrap
// round to the window's start. The focus chain is a ring through the window.
QWidget* next_stop(QWidget* window, QWidget* from, bool forward) {
    for (QWidget* w = forward ? from->nextInFocusChain() : from->previousInFocusChain();
         w != window && w != from; w = forward ? w->nextInFocusChain() : w->previousInFocusChain())
        if (is_tab_stop(w, window))
            return w;
    return nullptr;
}

// The window system activates a window a moment after it is asked, and Qt then
// focuses the window's focus widget for that reason alone: once active, the
// focus is given again as the keyboard's (controls show their ring for it).
class keyboard_focus_on_activation : public QObject {
public:
    keyboard_focus_on_activation(QWidget* target, Qt::FocusReason reason)
        : QObject(target), target_(target), reason_(reason) {
        since_.start();
        target->window()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::WindowActivate)
            return false;
        watched->removeEventFilter(this);
        deleteLater();
        // Activated much later, by the mouse or the window manager: not ours.
        if (since_.elapsed() > 2000)
            return false;
        QMetaObject::invokeMethod(
            target_,
            [target = target_, reason = reason_] {
                if (target->hasFocus())
                    target->clearFocus();
                target->setFocus(reason);
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    QWidget* target_;
    Qt::FocusReason reason_;
    QElapsedTimer since_;
};

void focus_by_keyboard(QWidget* target, Qt::FocusReason reason) {
    QWidget* window = target->window();
    target->setFocus(reason);
    if (window->isActiveWindow())
        return;
    new keyboard_focus_on_activation(target, reason);
    window->raise();
    window->activateWindow();
}

bool tab_across(const std::vector<QPointer<QWidget>>& ring, QObject* receiver,
                const QKeyEvent* key) {
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (!tab || (held & ~Qt::ShiftModifier) || !receiver->isWidgetType() ||
        QApplication::activeModalWidget())
        return false;
    const bool forward = key->key() == Qt::Key_Tab && !(held & Qt::ShiftModifier);
    QWidget* window = static_cast<QWidget*>(receiver)->window();
    const auto at = std::find(ring.begin(), ring.end(), window);
    if (at == ring.end())
        return false;
    QWidget* focus = window->focusWidget();
    if (next_stop(window, focus ? focus : window, forward))
        return false; // Qt's own Tab, within the window
    const auto size = static_cast<std::ptrdiff_t>(ring.size());
    const std::ptrdiff_t index = at - ring.begin();
    QWidget* other = ring[static_cast<std::size_t>((index + (forward ? 1 : size - 1)) % size)];
    if (!other || other == window || !other->isVisible())
        return false;
    const std::vector<QWidget*> stops = tab_stops(other);
    if (stops.empty())
        return false;
    focus_by_keyboard(forward ? stops.front() : stops.back(),
                      forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace

std::vector<QWidget*> tab_stops(QWidget* window) {
    std::vector<QWidget*> stops;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if (is_tab_stop(w, window))
            stops.push_back(w);
    return stops;
}

void join_tab_orders(const std::vector<QWidget*>& windows) {
    if (windows.size() < 2)
        return;
    std::vector<QPointer<QWidget>> ring(windows.begin(), windows.end());
    add_key_hook(windows.front(), [ring](QObject* receiver, QKeyEvent* key) {
        return tab_across(ring, receiver, key);
    });
}

} // namespace krv
