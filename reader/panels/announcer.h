// What happened to a document (it opened, it failed, it asks for its password),
// said where a screen reader hears it whatever window has the focus: the focus
// stays where the windows put it.
#pragma once

#include <QString>
#include <QWidget>

namespace krv {

/// "Doc installation ouvert" for the file opened at `path`, under the name the
/// list shows it by (the file's own name when that leaves nothing).
QString opened_announcement(const QString& path);

/// An object that assistive tools see as a notification, shown again with each
/// text (Orca speaks a notification as it shows). It is one pixel, transparent,
/// out of every layout: nothing on screen moves or changes.
class announcer : public QWidget {
public:
    explicit announcer(QWidget* parent);
    void say(const QString& text);
};

} // namespace krv
