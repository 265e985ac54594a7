#include "controls.h"

#include "errors.h"
#include "file_names.h"
#include "twips.h"

#include <QCollator>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace krv {

QFont font_named(const QString& family, float points) {
    QFont font(family);
    font.setPixelSize(points_to_pixels(points));
    return font;
}

void set_colours(QWidget* control, const QColor& text, const QColor& background) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::WindowText, text);
    if (background.isValid()) {
        colours.setColor(QPalette::Window, background);
        control->setAutoFillBackground(true);
    }
    control->setPalette(colours);
}

picture_control::picture_control(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void picture_control::set_picture(const QPixmap& picture) {
    setPixmap(picture);
}

void picture_control::set_keyboard_reachable(bool reachable) {
    setFocusPolicy(reachable ? Qt::TabFocus : Qt::NoFocus);
}

void picture_control::keyPressEvent(QKeyEvent* e) {
    const bool press =
        e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (!press || !has_keyboard_focus())
        return QLabel::keyPressEvent(e);
    e->accept();
    if (!e->isAutoRepeat())
        emit clicked();
}

void picture_control::focusInEvent(QFocusEvent* e) {
    QLabel::focusInEvent(e);
    switch (e->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        keyboard_focus_ = true;
        break;
    case Qt::ActiveWindowFocusReason: // back to a window: as it was when left
    case Qt::PopupFocusReason:
        break;
    default:
        keyboard_focus_ = false;
    }
    update();
}

void picture_control::focusOutEvent(QFocusEvent* e) {
    QLabel::focusOutEvent(e);
    update();
}

void picture_control::paintEvent(QPaintEvent* e) {
    QLabel::paintEvent(e);
    if (!has_keyboard_focus())
        return;
    QPainter painter(this);
    draw_focus_ring(painter, rect(), palette());
}

void draw_focus_ring(QPainter& painter, const QRectF& area, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(palette.color(QPalette::Active, QPalette::Highlight), 2);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), 3, 3);
    // A white lining keeps the ring visible on grey and on the highlight's own hue.
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRoundedRect(area.adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
    painter.restore();
}

void picture_control::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    e->accept();
}

void picture_control::mouseReleaseEvent(QMouseEvent* e) {
    const bool click =
        pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    e->accept();
    if (click)
        emit clicked();
}

namespace {
constexpr char index_property[] = "krv_index";
} // namespace

void add_to_control_array(QWidget& control, const QString& name, int index) {
    control.setObjectName(name);
    control.setProperty(index_property, index);
}

std::vector<picture_control*> control_array(QWidget& window, const QString& name) {
    std::vector<picture_control*> elements;
    for (auto* control : window.findChildren<picture_control*>(name))
        elements.push_back(control);
    std::sort(elements.begin(), elements.end(), [](const QObject* a, const QObject* b) {
        return a->property(index_property).toInt() < b->property(index_property).toInt();
    });
    return elements;
}

bool matches_pattern(QStringView name, QStringView pattern) {
    // Iterative wildcard match with one back-tracking point: linear for the
    // patterns the windows use ("*.pdf", "do*.pdf").
    qsizetype n = 0, p = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

file_list::file_list(QString pattern) : path_(current_folder()), pattern_(std::move(pattern)) {}

void file_list::refresh() {
    names_.clear();
    // Names go from the folder's bytes to the file's bytes without a loss (a
    // Latin-1 name included): see file_names.h.
    const QByteArray folder = encode_file_name(path_);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        throw file_error(QStringLiteral("de lister"), path_, errno, file_kind::folder);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Links count when they lead to a regular file.
            struct stat info;
            const QByteArray full = folder + '/' + entry->d_name;
            regular = ::stat(full.constData(), &info) == 0 && S_ISREG(info.st_mode);
        }
        if (!regular)
            continue;
        QString name = decode_file_name(QByteArray(entry->d_name));
        if (matches_pattern(name, pattern_))
            names_.push_back(std::move(name));
    }
    ::closedir(dir);
    sort_names(names_);
}

void sort_names(QStringList& names) {
    // French order (accented and capital initials among their letters, numbers by
    // their value), each name's key made once; ties by code point, so that the
    // order is the same on every run.
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setNumericMode(true);
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(static_cast<std::size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(collator.sortKey(names[i]), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : names[a.second] < names[b.second];
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto& key : keys)
        sorted.push_back(names[key.second]);
    names = std::move(sorted);
}

form_timer::form_timer(QObject* parent) : QObject(parent) {
    // A coarse timer may fire 5 % late: 12 ms on the viewer's quarter second.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &form_timer::tick);
}

void form_timer::set_interval(int milliseconds) {
    interval_ = milliseconds;
    if (milliseconds <= 0) {
        timer_.stop();
        return;
    }
    timer_.start(milliseconds);
    emit armed();
}

} // namespace krv
