// The document's outline beside the pages: a tree of titles read by the
// structure reader (never Qt's bookmark model, which hangs, crashes and leaks on
// malformed outlines). An entry's destination is resolved when it is chosen.
#pragma once

#include "structure_types.h"

#include <QStandardItemModel>

#include <optional>

class QTreeView;

namespace krv {

class outline_panel {
public:
    /// Fills `view` (which it does not own) with its own model.
    explicit outline_panel(QTreeView* view);

    /// Shows a tree; an outline cut at a limit or a loop ends in a line saying so.
    void show_tree(const outline_tree& tree);
    void clear();
    bool empty() const { return model_->rowCount() == 0; }
    QStandardItemModel* model() const { return model_; }

    /// The outline item behind a row; nothing for the line that says it was cut.
    static std::optional<object_id> item_of(const QModelIndex& index);

private:
    QTreeView* view_;
    QStandardItemModel* model_;
};

} // namespace krv
