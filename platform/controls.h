// The controls the windows are made of, beyond what Qt gives as it is.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <vector>

class QPainter;

namespace krv {

/// A font asked for by its name (an installed metric-compatible one stands in for
/// it), `points` high on the reference screen.
QFont font_named(const QString& family, float points);

/// Sets a control's text colour and, when one is given, its background colour.
void set_colours(QWidget* control, const QColor& text, const QColor& background = {});

/// A light-weight picture that reacts to a click; it has no pressed state. Stretch
/// off shows the picture at its natural size. By default it never takes the
/// keyboard focus; one made reachable by the keyboard takes it with Tab, shows a
/// ring while it has it, and Space or Enter then act as a click. The focus Qt
/// gives it by itself when its window is activated does neither, so that a stray
/// Enter presses nothing.
class picture_control : public QLabel {
    Q_OBJECT
public:
    explicit picture_control(QWidget* parent);
    void set_picture(const QPixmap& picture);
    QPixmap picture() const { return pixmap(); }
    void set_stretch(bool stretch) { setScaledContents(stretch); }
    bool stretch() const { return hasScaledContents(); }
    /// Puts the control under every other control of its window.
    void send_to_back() { lower(); }
    void set_keyboard_reachable(bool reachable);
    /// Whether the keyboard brought the focus here (Space and Enter press it).
    bool has_keyboard_focus() const { return hasFocus() && keyboard_focus_; }
    /// Acts as a click (assistive tools press the picture through it).
    void click() { emit clicked(); }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool pressed_ = false;
    bool keyboard_focus_ = false;
};

/// Draws the ring that shows which control has the keyboard focus, inside `area`.
void draw_focus_ring(QPainter& painter, const QRectF& area, const QPalette& palette);

/// Sets up a control as element `index` of the control array `name` of its window.
void add_to_control_array(QWidget& control, const QString& name, int index);

/// The picture controls of a window's control array `name`, by index (0 first).
std::vector<picture_control*> control_array(QWidget& window, const QString& name);

/// The names of the files of one folder that match a pattern, never shown.
/// The folder is the current folder when the list is made; names starting with
/// "." (hidden files) and anything but regular files are left out; the pattern
/// ignores case; the names are in French order (sort_names). Names and the folder
/// keep every byte of the file system's (see file_names.h).
class file_list {
public:
    explicit file_list(QString pattern);
    const QString& path() const { return path_; }
    const QString& pattern() const { return pattern_; }
    /// Reads the folder again; throws file_error when it cannot be listed.
    void refresh();
    int list_count() const { return static_cast<int>(names_.size()); }
    const QString& list(int number) const { return names_.at(number); }

private:
    QString path_;
    QString pattern_;
    QStringList names_;
};

/// Puts names in French order: accented and capital initials among their letters,
/// numbers by their value; the same order on every run.
void sort_names(QStringList& names);

/// Whether a file name matches a pattern of '*' and '?' without regard to case.
bool matches_pattern(QStringView name, QStringView pattern);

/// A timer set by its interval alone: a positive interval starts it, 0 stops it.
class form_timer : public QObject {
    Q_OBJECT
public:
    explicit form_timer(QObject* parent);
    void set_interval(int milliseconds);
    int interval() const { return interval_; }

signals:
    void armed(); ///< a positive interval was set
    void tick();

private:
    QTimer timer_;
    int interval_ = 0;
};

} // namespace krv
