#include "accessibility.h"

#include "accessible_role.h"
#include "controls.h"
#include "form.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QTextDocumentFragment>
#include <QWidget>

namespace krv {

namespace {

constexpr char decorative_property[] = "krv_decorative";

// The role a widget was given, or `otherwise`. Read afresh each time: a window is
// asked about (for its title) before its constructor has given it its role.
QAccessible::Role given_role(const QWidget* widget, QAccessible::Role otherwise) {
    const QVariant role = widget->property(accessible_role_property);
    return role.isValid() ? static_cast<QAccessible::Role>(role.toInt()) : otherwise;
}

// A picture that reacts to a click is a button (or a link) to assistive tools,
// which can press it.
class picture_accessible : public QAccessibleWidget {
public:
    explicit picture_accessible(picture_control* picture)
        : QAccessibleWidget(picture, QAccessible::Button) {
        addControllingSignal(QStringLiteral("clicked()"));
    }
    QAccessible::Role role() const override { return given_role(widget(), QAccessible::Button); }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        // Later, from the event loop: the press may open a modal window, and the
        // assistive tool waits for its answer meanwhile.
        if (action == pressAction() && widget()->isEnabled())
            QMetaObject::invokeMethod(static_cast<picture_control*>(widget()),
                                      &picture_control::click, Qt::QueuedConnection);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

// A label whose text is a value: its name stays what it is ("Nombre de pages"),
// its description is what it shows ("/ 311"), as plain text, one line a line.
class value_label_accessible : public QAccessibleWidget {
public:
    explicit value_label_accessible(QLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Description)
            return QAccessibleWidget::text(t);
        const auto* label = static_cast<const QLabel*>(widget());
        const QString shown = label->textFormat() == Qt::PlainText
                                  ? label->text()
                                  : QTextDocumentFragment::fromHtml(label->text()).toPlainText();
        QStringList lines;
        for (const QString& line :
             QString(shown).replace(QChar::LineSeparator, u'\n').split(u'\n', Qt::SkipEmptyParts))
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        return lines.join(u'\n');
    }
};

// A window or container with the role it was given; its decoration is left out.
class container_accessible : public QAccessibleWidget {
public:
    container_accessible(QWidget* widget, QAccessible::Role otherwise)
        : QAccessibleWidget(widget, otherwise), otherwise_(otherwise) {}
    QAccessible::Role role() const override { return given_role(widget(), otherwise_); }
    int childCount() const override { return static_cast<int>(shown_children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> list = shown_children();
        return index >= 0 && index < list.size()
                   ? QAccessible::queryAccessibleInterface(list[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return static_cast<int>(shown_children().indexOf(static_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> shown_children() const {
        QList<QWidget*> list;
        for (QObject* o : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !is_decorative(w))
                list.append(w);
        return list;
    }
    QAccessible::Role otherwise_;
};

QAccessibleInterface* factory(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    // Qt asks once per class of the object, most derived first: answer only that
    // first question, so that a refusal falls back to Qt's own interface.
    if (key != QLatin1String(object->metaObject()->className()))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* picture = qobject_cast<picture_control*>(widget))
        return new picture_accessible(picture);
    if (auto* label = qobject_cast<QLabel*>(widget);
        label && label->property(shows_value_property).toBool())
        return new value_label_accessible(label);
    if (qobject_cast<form*>(widget))
        return new container_accessible(widget, QAccessible::Window);
    // Other widgets must have their role before anything asks about them.
    if (widget->property(accessible_role_property).isValid())
        return new container_accessible(widget, QAccessible::Client);
    return nullptr;
}

} // namespace

void install_accessibility() {
    QAccessible::installFactory(factory);
}

void set_accessible_role(QWidget* widget, QAccessible::Role role) {
    widget->setProperty(accessible_role_property, static_cast<int>(role));
}

void set_shows_value(QLabel* label) {
    label->setProperty(shows_value_property, true);
}

void set_decorative(QWidget* widget) {
    widget->setProperty(decorative_property, true);
}

bool is_decorative(const QWidget* widget) {
    return widget->property(decorative_property).toBool();
}

} // namespace krv
