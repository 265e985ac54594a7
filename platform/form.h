// Windows as the program's design knows them: one instance per class, created on
// first use (its Form_Load runs then), geometry in twips of the outer rectangle,
// modeless or modal display, unloading, and key preview.
#pragma once

#include "twips.h"

#include <QMargins>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>

class QEventLoop;

namespace krv {

enum class frame_style {
    fixed_single, ///< title bar and a thin frame, no buttons, not resizable
    none,         ///< no frame and no title bar
};

class form : public QWidget {
    Q_OBJECT
public:
    explicit form(frame_style frame);
    ~form() override;

    /// Outer rectangle in twips (frame included), as last set.
    float twips_left() const { return outer_.left; }
    float twips_top() const { return outer_.top; }
    float twips_width() const { return outer_.width; }
    float twips_height() const { return outer_.height; }
    void set_twips_left(float left);
    void set_twips_top(float top);
    void set_twips_width(float width);
    void set_twips_height(float height);

    /// Places a control of the client area at a rectangle in twips.
    static void place(QWidget* control, const twips_rect& where);

    void show_modeless();
    /// Shows the window application-modal and returns once it has been unloaded.
    void show_modal();
    /// Hides and destroys the window; the next use creates it afresh.
    void unload();
    bool unloaded() const { return unloaded_; }
    /// Repaints the window at once.
    void refresh();
    void bring_to_front();

    /// With key preview on, Form_KeyPress sees character keys before the focused control.
    void set_key_preview(bool on) { key_preview_ = on; }
    bool key_preview() const { return key_preview_; }

    virtual void Form_Load() {}
    /// A character key (Esc 27, Enter 13, ...) typed in the window; set it to 0 to swallow it.
    virtual void Form_KeyPress(std::int16_t& key_ascii) { (void)key_ascii; }
    /// The window system asked to close the window.
    virtual void system_close() { unload(); }

    /// Called by the instance accessor: forgets the single instance when unloaded.
    void set_forget(std::function<void()> forget) { forget_ = std::move(forget); }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool frame_known() const;
    QMargins frame_margins() const;
    void apply_geometry(bool with_position = true);

    frame_style frame_;
    twips_rect outer_;
    QMargins applied_margins_;
    bool key_preview_ = false;
    bool unloaded_ = false;
    bool watching_exposure_ = false;
    QPointer<QEventLoop> modal_loop_;
    std::function<void()> forget_;
};

namespace detail {
template <class T> T*& form_slot() {
    static T* slot = nullptr;
    return slot;
}
} // namespace detail

/// The single instance of window class T, created on first use: creating it runs
/// its Form_Load, as any first use of a window does in the program's design.
template <class T> T& load_form() {
    T*& slot = detail::form_slot<T>();
    if (!slot) {
        slot = new T();
        slot->set_forget([] { detail::form_slot<T>() = nullptr; });
        slot->Form_Load();
    }
    return *slot;
}

/// The instance of window class T if it is loaded, else nullptr; never loads it.
template <class T> T* find_form() {
    return detail::form_slot<T>();
}

/// Destroys every window still loaded (end of the program, tests).
void unload_all_forms();

/// The character code of a key press, as a window's key handler sees it; 0 for none.
std::int16_t key_ascii(int qt_key, const QString& text, Qt::KeyboardModifiers modifiers);

/// Gives a key press to the key preview of the window that receives it; true when swallowed.
bool preview_key(QObject* receiver, QEvent* e);

/// Whether a key event is the rest of the key press that last closed a window: its
/// release, its repeats, or a second press as quick as a double click, until a
/// window is shown again. The window manager gives the focus to the window
/// underneath within milliseconds, so a double Enter that confirms the list would
/// otherwise press what has the focus there (the logo, which opens the web
/// browser; Esc twice would end the help).
bool rest_of_closing_key(const QEvent* e);

} // namespace krv
