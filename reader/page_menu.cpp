#include "page_menu.h"

#include "page_view.h"
#include "shown_search.h"

#include <QLineEdit>
#include <QMenu>
#include <QPointer>

namespace krv {

QString search_entry_text(const QString& selection) {
    constexpr int longest = 30;
    QString shown = selection.simplified();
    if (shown.size() > longest)
        shown = shown.left(longest - 1).trimmed() + u'…';
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("Rechercher «\u00a0%1\u00a0»").arg(shown);
}

void show_page_menu(page_view& view, shown_search& search, QPoint global_position) {
    auto* menu = new QMenu(&view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QStringLiteral("Menu de la page"));
    const QString selected = view.selected_text().simplified();
    QAction* copy =
        menu->addAction(QStringLiteral("Copier\tCtrl+C"), &view, &page_view::copy_selection);
    copy->setEnabled(!selected.isEmpty());
    menu->addAction(QStringLiteral("Tout sélectionner\tCtrl+A"), &view,
                    [&view] { view.select_page_text(view.current_page()); });
    QPointer<shown_search> to_search(&search);
    QAction* find = menu->addAction(selected.isEmpty() ? QStringLiteral("Rechercher la sélection")
                                                       : search_entry_text(selected),
                                    &view, [to_search, selected] {
                                        if (!to_search)
                                            return;
                                        to_search->open();
                                        if (QLineEdit* field = to_search->field())
                                            field->setText(selected);
                                        to_search->find(selected);
                                    });
    find->setEnabled(!selected.isEmpty());
    menu->addSeparator();
    QAction* dark = menu->addAction(QStringLiteral("Couleurs inversées\tCtrl+I"), &view,
                                    [&view](bool on) { view.set_inverted(on); });
    dark->setCheckable(true);
    dark->setChecked(view.inverted());
    menu->popup(global_position);
}

} // namespace krv
