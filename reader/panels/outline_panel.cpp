#include "outline_panel.h"

#include "text.h"

#include <QTreeView>

#include <vector>

namespace krv {

namespace {

enum role { number_role = Qt::UserRole + 1, generation_role };

QStandardItem* item_for(const outline_entry& entry) {
    const QString title = QString::fromStdString(entry.title).simplified();
    auto* item = new QStandardItem(title.isEmpty() ? QStringLiteral("(sans titre)") : title);
    item->setEditable(false);
    item->setToolTip(literal_rich_text(title));
    item->setData(entry.source.number, number_role);
    item->setData(entry.source.generation, generation_role);
    return item;
}

// Breadth by breadth with an explicit list: the depth is bounded by the reader,
// but the panel does not rely on it.
void add_entries(QStandardItem* root, const std::vector<outline_entry>& roots) {
    std::vector<std::pair<QStandardItem*, const std::vector<outline_entry>*>> pending{
        {root, &roots}};
    while (!pending.empty()) {
        auto [parent, entries] = pending.back();
        pending.pop_back();
        QList<QStandardItem*> row;
        row.reserve(static_cast<qsizetype>(entries->size()));
        for (const outline_entry& entry : *entries) {
            QStandardItem* item = item_for(entry);
            row.append(item);
            if (!entry.children.empty())
                pending.emplace_back(item, &entry.children);
        }
        parent->appendRows(row);
    }
}

} // namespace

outline_panel::outline_panel(QTreeView* view) : view_(view), model_(new QStandardItemModel(view)) {
    view_->setModel(model_);
}

void outline_panel::show_tree(const outline_tree& tree) {
    clear();
    add_entries(model_->invisibleRootItem(), tree.roots);
    if (tree.depth_limited || tree.count_limited || tree.cycles_cut > 0) {
        auto* note = new QStandardItem(QStringLiteral("… (sommaire abîmé, affiché en partie)"));
        note->setEditable(false);
        note->setEnabled(false);
        model_->appendRow(note);
    }
    view_->expandToDepth(0);
}

void outline_panel::clear() {
    model_->clear();
}

std::optional<object_id> outline_panel::item_of(const QModelIndex& index) {
    const QVariant number = index.data(number_role);
    if (!number.isValid() || number.toInt() <= 0)
        return std::nullopt;
    return object_id{number.toInt(), index.data(generation_role).toInt()};
}

} // namespace krv
