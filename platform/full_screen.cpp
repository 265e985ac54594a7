#include "full_screen.h"

#include "application.h"
#include "form.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>

#include <algorithm>

namespace krv {

namespace {

class full_screen : public QObject {
public:
    full_screen(form& window, QWidget& content, const std::vector<QWidget*>& others)
        : QObject(&window), window_(window), content_(&content),
          others_(others.begin(), others.end()) {
        setObjectName(QStringLiteral("krv_full_screen"));
        add_key_hook(this,
                     [this](QObject* receiver, QKeyEvent* key) { return f11(receiver, key); });
    }

    bool on() const { return on_; }

protected:
    // In full screen the content follows the window's size.
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (on_ && watched == &window_ && e->type() == QEvent::Resize && content_)
            content_->setGeometry(window_.rect());
        return false;
    }

private:
    bool ours(const QWidget* window) const {
        return window == &window_ ||
               std::find(others_.begin(), others_.end(), window) != others_.end();
    }

    bool f11(QObject* receiver, const QKeyEvent* key) {
        if (key->key() != Qt::Key_F11 || (key->modifiers() & ~Qt::KeypadModifier) ||
            !receiver->isWidgetType() || QApplication::activeModalWidget() ||
            !ours(static_cast<QWidget*>(receiver)->window()) || !window_.isVisible())
            return false;
        if (on_)
            leave();
        else
            enter();
        return true;
    }

    void enter() {
        on_ = true;
        content_place_ = content_ ? content_->geometry() : QRect();
        hidden_.clear();
        for (const QPointer<QWidget>& other : others_)
            if (other && other->isVisible()) {
                hidden_.push_back(other);
                other->hide();
            }
        // The design's windows have fixed sizes; the screen's is the window's now.
        window_.setMinimumSize(0, 0);
        window_.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window_.installEventFilter(this);
        window_.showFullScreen();
        if (content_)
            content_->setGeometry(window_.rect());
        window_.activateWindow();
    }

    void leave() {
        on_ = false;
        window_.removeEventFilter(this);
        window_.showNormal();
        // Back to the design's place and size, as they were set in twips.
        window_.set_twips_left(window_.twips_left());
        if (content_)
            content_->setGeometry(content_place_);
        for (const QPointer<QWidget>& other : hidden_)
            if (other)
                other->show();
        hidden_.clear();
        window_.raise();
        window_.activateWindow();
    }

    form& window_;
    QPointer<QWidget> content_;
    std::vector<QPointer<QWidget>> others_;
    std::vector<QPointer<QWidget>> hidden_;
    QRect content_place_;
    bool on_ = false;
};

} // namespace

void allow_full_screen(form& window, QWidget& content, const std::vector<QWidget*>& others) {
    new full_screen(window, content, others);
}

bool shown_full_screen(const form& window) {
    const auto* state =
        window.findChild<QObject*>(QStringLiteral("krv_full_screen"), Qt::FindDirectChildrenOnly);
    return state && static_cast<const full_screen*>(state)->on();
}

} // namespace krv
