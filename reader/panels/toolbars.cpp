#include "toolbars.h"

#include "accessible_role.h"
#include "resources.h"
#include "text.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QToolTip>

namespace krv {

namespace {

// A thin bar across the reader, its row of controls returned. Assistive tools see
// it as a tool bar of that name.
QHBoxLayout* make_bar(QWidget* bar, const QString& name, const QString& spoken_name,
                      const char* colours) {
    bar->setProperty(accessible_role_property, static_cast<int>(QAccessible::ToolBar));
    bar->setObjectName(name);
    bar->setStyleSheet(QStringLiteral("#%1 { %2 }").arg(name, QLatin1String(colours)));
    bar->setAccessibleName(spoken_name);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    return row;
}

// A label showing a value: assistive tools hear its name, then what it shows.
QLabel* make_named_label(QWidget* parent, const QString& accessible_name) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);            // the search's status quotes the word searched
    label->setProperty(shows_value_property, true); // before its name is asked about
    label->setAccessibleName(accessible_name);
    return label;
}

// The key of each tool of the toolbar. Shift is not looked at, so that Ctrl++ is
// the same whether the layout puts + on a shifted key or not.
struct tool_key {
    QToolButton* reader_toolbar::*tool;
    int key;
    Qt::KeyboardModifiers modifiers;
};

const tool_key tool_keys[] = {
    {&reader_toolbar::previous, Qt::Key_PageUp, Qt::ControlModifier},
    {&reader_toolbar::next, Qt::Key_PageDown, Qt::ControlModifier},
    {&reader_toolbar::zoom_out, Qt::Key_Minus, Qt::ControlModifier},
    {&reader_toolbar::zoom_in, Qt::Key_Plus, Qt::ControlModifier},
    {&reader_toolbar::zoom_in, Qt::Key_Equal, Qt::ControlModifier},
    {&reader_toolbar::fit_width, Qt::Key_L, Qt::ControlModifier},
    {&reader_toolbar::fit_page, Qt::Key_E, Qt::ControlModifier},
    {&reader_toolbar::search, Qt::Key_F, Qt::ControlModifier},
    {&reader_toolbar::print, Qt::Key_P, Qt::ControlModifier},
    {&reader_toolbar::preview, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier},
    {&reader_toolbar::outline, Qt::Key_F9, Qt::NoModifier},
};

// A label longer than the field shows elided there; the field keeps its width.
QString fitted_to_field(const QLineEdit* field, const QString& text) {
    const int room = field->contentsRect().width() - 8; // the frame and the text's margins
    return field->fontMetrics().elidedText(text, Qt::ElideRight, std::max(room, 8));
}

bool modifiers_match(const QKeyEvent* key, Qt::KeyboardModifiers wanted) {
    const Qt::KeyboardModifiers held = key->modifiers() & ~Qt::KeypadModifier;
    if (wanted & Qt::ShiftModifier)
        return held == wanted;
    return (held & ~Qt::ShiftModifier) == wanted &&
           (!(held & Qt::ShiftModifier) || key->key() < Qt::Key_A || key->key() > Qt::Key_Z);
}

} // namespace

QToolButton* make_tool_button(QWidget* parent, const QString& picture, const QString& tip,
                              const QString& key) {
    auto* button = new QToolButton(parent);
    button->setIcon(pictures::tool_icon(picture));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    const QString described = key.isEmpty() ? tip : QStringLiteral("%1 (%2)").arg(tip, key);
    button->setToolTip(described);
    button->setAccessibleName(tip);
    button->setAccessibleDescription(described);
    return button;
}

QToolButton* tool_for_key(const reader_toolbar& toolbar, const QKeyEvent* key) {
    for (const tool_key& k : tool_keys)
        if (key->key() == k.key && modifiers_match(key, k.modifiers))
            return toolbar.*(k.tool);
    return nullptr;
}

bool is_reading_key(const QKeyEvent* key) {
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Space:
        return !ctrl;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
    case Qt::Key_A:
    case Qt::Key_C:
        return ctrl;
    default:
        return false;
    }
}

bool is_typing_key(const QKeyEvent* key) {
    const bool typing = !key->text().isEmpty() && key->text()[0].isPrint() &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    return typing || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
           key->key() == Qt::Key_Backspace;
}

bool forward_key(QWidget* to, const QKeyEvent* key) {
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                   static_cast<quint16>(key->count()));
    QCoreApplication::sendEvent(to, &copy);
    return true;
}

void show_page_position(const reader_toolbar& toolbar, const QString& field, const QString& total) {
    if (!toolbar.page_field->hasFocus())
        toolbar.page_field->setText(fitted_to_field(toolbar.page_field, field));
    show_value(toolbar.page_total, total);
}

QString typed_page(const reader_toolbar& toolbar, const QString& label) {
    const QString text = toolbar.page_field->text();
    return text == fitted_to_field(toolbar.page_field, label) ? label : text;
}

void say_by_page_field(const reader_toolbar& toolbar, const QString& text) {
    QLineEdit* field = toolbar.page_field;
    field->selectAll();
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), literal_rich_text(text),
                       field);
}

bool is_page_field_key(const QKeyEvent* key) {
    return key->key() == Qt::Key_G && modifiers_match(key, Qt::ControlModifier);
}

reader_toolbar make_toolbar(QWidget* parent) {
    reader_toolbar t;
    t.bar = new QWidget(parent);
    QHBoxLayout* row =
        make_bar(t.bar, QStringLiteral("barre"), QStringLiteral("Outils du document"),
                 "background: #eef0f3; border-bottom: 1px solid #c8ccd2;");
    t.previous = make_tool_button(t.bar, pictures::tool_previous, QStringLiteral("Page précédente"),
                                  QStringLiteral("Ctrl+Page préc."));
    t.next = make_tool_button(t.bar, pictures::tool_next, QStringLiteral("Page suivante"),
                              QStringLiteral("Ctrl+Page suiv."));
    t.page_field = new QLineEdit(t.bar);
    t.page_field->setFixedWidth(44);
    t.page_field->setAlignment(Qt::AlignRight);
    t.page_field->setMaxLength(40); // a page's number or its label ("iv")
    t.page_field->setToolTip(
        QStringLiteral("Aller à la page, par son numéro ou son nom (Ctrl+G, puis Entrée)"));
    t.page_field->setAccessibleName(QStringLiteral("Numéro de page"));
    t.page_field->setAccessibleDescription(t.page_field->toolTip());
    t.page_total = make_named_label(t.bar, QStringLiteral("Nombre de pages"));
    t.zoom_out = make_tool_button(t.bar, pictures::tool_zoom_out, QStringLiteral("Zoom arrière"),
                                  QStringLiteral("Ctrl+-"));
    t.zoom_label = make_named_label(t.bar, QStringLiteral("Zoom"));
    t.zoom_label->setMinimumWidth(44);
    t.zoom_label->setAlignment(Qt::AlignCenter);
    t.zoom_in = make_tool_button(t.bar, pictures::tool_zoom_in, QStringLiteral("Zoom avant"),
                                 QStringLiteral("Ctrl++"));
    t.fit_width =
        make_tool_button(t.bar, pictures::tool_fit_width, QStringLiteral("Ajuster à la largeur"),
                         QStringLiteral("Ctrl+L"));
    t.fit_page = make_tool_button(t.bar, pictures::tool_fit_page, QStringLiteral("Page entière"),
                                  QStringLiteral("Ctrl+E"));
    t.search = make_tool_button(t.bar, pictures::tool_search, QStringLiteral("Rechercher"),
                                QStringLiteral("Ctrl+F"));
    t.print = make_tool_button(t.bar, pictures::tool_print, QStringLiteral("Imprimer"),
                               QStringLiteral("Ctrl+P"));
    t.preview =
        make_tool_button(t.bar, pictures::tool_preview, QStringLiteral("Aperçu avant impression"),
                         QStringLiteral("Ctrl+Maj+P"));
    t.outline =
        make_tool_button(t.bar, pictures::tool_outline,
                         QStringLiteral("Afficher ou masquer le sommaire"), QStringLiteral("F9"));
    t.outline->setCheckable(true);
    t.back = make_tool_button(t.bar, pictures::tool_back,
                              QStringLiteral("Revenir à l’endroit précédent"),
                              QStringLiteral("Alt+Gauche"));
    t.forward =
        make_tool_button(t.bar, pictures::tool_forward, QStringLiteral("Aller à l’endroit suivant"),
                         QStringLiteral("Alt+Droite"));
    for (QWidget* w : {static_cast<QWidget*>(t.previous), static_cast<QWidget*>(t.next),
                       static_cast<QWidget*>(t.page_field), static_cast<QWidget*>(t.page_total),
                       static_cast<QWidget*>(t.back), static_cast<QWidget*>(t.forward)})
        row->addWidget(w);
    row->addSpacing(10);
    for (QWidget* w : {static_cast<QWidget*>(t.zoom_out), static_cast<QWidget*>(t.zoom_label),
                       static_cast<QWidget*>(t.zoom_in), static_cast<QWidget*>(t.fit_width),
                       static_cast<QWidget*>(t.fit_page)})
        row->addWidget(w);
    row->addStretch(1);
    for (QWidget* w : {t.search, t.print, t.preview, t.outline})
        row->addWidget(w);
    return t;
}

void show_value(QLabel* label, const QString& text) {
    if (label->text() == text)
        return;
    label->setText(text);
    // Qt says a label's change only to those who hear its text as its name.
    QAccessibleEvent changed(label, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

reader_search_bar make_search_bar(QWidget* parent) {
    reader_search_bar s;
    s.bar = new QWidget(parent);
    QHBoxLayout* row =
        make_bar(s.bar, QStringLiteral("recherche"), QStringLiteral("Recherche dans le document"),
                 "background: #fff8dc; border-bottom: 1px solid #e0d49c;");
    s.field = new QLineEdit(s.bar);
    s.field->setPlaceholderText(QStringLiteral("Rechercher dans le document"));
    s.field->setAccessibleName(QStringLiteral("Texte recherché"));
    s.field->setClearButtonEnabled(true);
    // The field's clear button is Qt's own, nameless until named here.
    for (QToolButton* clear : s.field->findChildren<QToolButton*>()) {
        clear->setAccessibleName(QStringLiteral("Effacer le texte recherché"));
        clear->setToolTip(clear->accessibleName());
    }
    s.previous = make_tool_button(s.bar, pictures::tool_previous,
                                  QStringLiteral("Résultat précédent"), QStringLiteral("Maj+F3"));
    s.next = make_tool_button(s.bar, pictures::tool_next, QStringLiteral("Résultat suivant"),
                              QStringLiteral("F3"));
    s.status = make_named_label(s.bar, QStringLiteral("Résultats de la recherche"));
    s.status->setMinimumWidth(110);
    s.close = make_tool_button(s.bar, pictures::tool_close, QStringLiteral("Fermer la recherche"),
                               QStringLiteral("Échap"));
    // The second way to search: every document of the folder, the words shown.
    s.every_document = new QToolButton(s.bar);
    s.every_document->setText(QStringLiteral("Dans tous les documents"));
    s.every_document->setIcon(pictures::tool_icon(pictures::tool_search));
    s.every_document->setIconSize(QSize(20, 20));
    s.every_document->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    s.every_document->setCheckable(true);
    s.every_document->setAutoRaise(true);
    s.every_document->setFocusPolicy(Qt::NoFocus);
    s.every_document->setAccessibleName(s.every_document->text());
    s.every_document->setToolTip(
        QStringLiteral("Rechercher dans tous les documents du dossier (Ctrl+Maj+F)"));
    s.every_document->setAccessibleDescription(s.every_document->toolTip());
    row->addWidget(s.field, 1);
    for (QWidget* w : {static_cast<QWidget*>(s.every_document), static_cast<QWidget*>(s.previous),
                       static_cast<QWidget*>(s.next), static_cast<QWidget*>(s.status),
                       static_cast<QWidget*>(s.close)})
        row->addWidget(w);
    s.bar->hide();
    return s;
}

} // namespace krv
