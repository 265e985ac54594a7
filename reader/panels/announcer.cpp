#include "announcer.h"

#include "accessible_role.h"
#include "file_names.h"
#include "nom_lisible.h"

#include <QAccessible>

namespace krv {

QString opened_announcement(const QString& path) {
    const QString readable = readable_file_name(file_name_of(path));
    const QString title = nom_lisible(readable);
    return (title.trimmed().isEmpty() ? readable : title) + QStringLiteral(" ouvert");
}

announcer::announcer(QWidget* parent) : QWidget(parent) {
    // Its role before anything asks about it.
    setProperty(accessible_role_property, static_cast<int>(QAccessible::Notification));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("annonce"));
    setGeometry(0, 0, 1, 1);
    hide();
}

void announcer::say(const QString& text) {
    // Hidden, named, shown: the showing is what a screen reader hears, even of
    // the same text twice.
    hide();
    setAccessibleName(text);
    show();
}

} // namespace krv
