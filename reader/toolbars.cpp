#include "toolbars.h"

#include "resources.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace krv {

namespace {

// A thin bar across the reader, its row of controls returned.
QHBoxLayout* make_bar(QWidget* bar, const QString& name, const char* colours) {
    bar->setObjectName(name);
    bar->setStyleSheet(QStringLiteral("#%1 { %2 }").arg(name, QLatin1String(colours)));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    return row;
}

QLabel* make_named_label(QWidget* parent, const QString& accessible_name) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(accessible_name);
    return label;
}

} // namespace

QToolButton* make_tool_button(QWidget* parent, const QString& picture, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    return button;
}

reader_toolbar make_toolbar(QWidget* parent) {
    reader_toolbar t;
    t.bar = new QWidget(parent);
    QHBoxLayout* row = make_bar(t.bar, QStringLiteral("barre"),
                                "background: #eef0f3; border-bottom: 1px solid #c8ccd2;");
    t.previous =
        make_tool_button(t.bar, pictures::tool_previous, QStringLiteral("Page précédente"));
    t.next = make_tool_button(t.bar, pictures::tool_next, QStringLiteral("Page suivante"));
    t.page_field = new QLineEdit(t.bar);
    t.page_field->setFixedWidth(44);
    t.page_field->setAlignment(Qt::AlignRight);
    t.page_field->setValidator(new QIntValidator(1, 999999, t.page_field));
    t.page_field->setToolTip(QStringLiteral("Aller à la page (Entrée)"));
    t.page_field->setAccessibleName(QStringLiteral("Numéro de page"));
    t.page_total = make_named_label(t.bar, QStringLiteral("Nombre de pages"));
    t.zoom_out =
        make_tool_button(t.bar, pictures::tool_zoom_out, QStringLiteral("Zoom arrière (Ctrl+-)"));
    t.zoom_label = make_named_label(t.bar, QStringLiteral("Zoom"));
    t.zoom_label->setMinimumWidth(44);
    t.zoom_label->setAlignment(Qt::AlignCenter);
    t.zoom_in =
        make_tool_button(t.bar, pictures::tool_zoom_in, QStringLiteral("Zoom avant (Ctrl++)"));
    t.fit_width =
        make_tool_button(t.bar, pictures::tool_fit_width, QStringLiteral("Ajuster à la largeur"));
    t.fit_page = make_tool_button(t.bar, pictures::tool_fit_page, QStringLiteral("Page entière"));
    t.search =
        make_tool_button(t.bar, pictures::tool_search, QStringLiteral("Rechercher (Ctrl+F)"));
    t.print = make_tool_button(t.bar, pictures::tool_print, QStringLiteral("Imprimer (Ctrl+P)"));
    t.preview =
        make_tool_button(t.bar, pictures::tool_preview, QStringLiteral("Aperçu avant impression"));
    t.outline = make_tool_button(t.bar, pictures::tool_outline,
                                 QStringLiteral("Afficher ou masquer le sommaire"));
    t.outline->setCheckable(true);
    t.back = make_tool_button(t.bar, pictures::tool_back,
                              QStringLiteral("Revenir à l’endroit précédent (Alt+Gauche)"));
    t.forward = make_tool_button(t.bar, pictures::tool_forward,
                                 QStringLiteral("Aller à l’endroit suivant (Alt+Droite)"));
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

reader_search_bar make_search_bar(QWidget* parent) {
    reader_search_bar s;
    s.bar = new QWidget(parent);
    QHBoxLayout* row = make_bar(s.bar, QStringLiteral("recherche"),
                                "background: #fff8dc; border-bottom: 1px solid #e0d49c;");
    s.field = new QLineEdit(s.bar);
    s.field->setPlaceholderText(QStringLiteral("Rechercher dans le document"));
    s.field->setAccessibleName(QStringLiteral("Texte recherché"));
    s.field->setClearButtonEnabled(true);
    s.previous = make_tool_button(s.bar, pictures::tool_previous,
                                  QStringLiteral("Résultat précédent (Maj+F3)"));
    s.next = make_tool_button(s.bar, pictures::tool_next, QStringLiteral("Résultat suivant (F3)"));
    s.status = make_named_label(s.bar, QStringLiteral("Résultats de la recherche"));
    s.status->setMinimumWidth(110);
    s.close = make_tool_button(s.bar, pictures::tool_close,
                               QStringLiteral("Fermer la recherche (Échap)"));
    row->addWidget(s.field, 1);
    for (QWidget* w : {static_cast<QWidget*>(s.previous), static_cast<QWidget*>(s.next),
                       static_cast<QWidget*>(s.status), static_cast<QWidget*>(s.close)})
        row->addWidget(w);
    s.bar->hide();
    return s;
}

} // namespace krv
