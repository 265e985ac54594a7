#include "folder_results.h"

#include "accessible_role.h"
#include "text.h"
#include "toolbars.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <limits>

namespace krv {

namespace {

// What each row keeps: a group's document, a hit's document and page, and where
// the word stands in the hit's text.
constexpr int document_role = Qt::UserRole;
constexpr int page_role = Qt::UserRole + 1;
constexpr int hit_start_role = Qt::UserRole + 2;
constexpr int hit_length_role = Qt::UserRole + 3;
constexpr int occurrence_role = Qt::UserRole + 4;

// Draws a hit's row with the word found in bold, so that the eye finds it.
class hit_delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int length = index.data(hit_length_role).toInt();
        if (length <= 0)
            return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        const QRect area =
            style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).adjusted(2, 0, -2, 0);
        const int start = index.data(hit_start_role).toInt();
        QFont bold = item.font;
        bold.setBold(true);
        painter->save();
        painter->setPen(item.palette.color(
            option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        int x = area.left();
        const QString parts[] = {text.left(start), text.mid(start, length),
                                 text.mid(start + length)};
        for (int i = 0; i < 3 && x < area.right(); ++i) {
            painter->setFont(i == 1 ? bold : item.font);
            const QRect rest(x, area.top(), area.right() - x, area.height());
            const QString shown =
                QFontMetrics(painter->font()).elidedText(parts[i], Qt::ElideRight, rest.width());
            painter->drawText(rest, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
            x += QFontMetrics(painter->font()).horizontalAdvance(shown);
        }
        painter->restore();
    }
};

// The row that says how many hits are not listed stands after every document's.
constexpr int after_every_document = std::numeric_limits<int>::max();

} // namespace

folder_results::folder_results(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 2, 4, 4);
    column->setSpacing(2);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);            // the word searched is shown as typed
    status_->setProperty(shows_value_property, true); // heard: its name, then its text
    status_->setAccessibleName(QStringLiteral("État de la recherche dans tous les documents"));
    column->addWidget(status_);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setUniformRowHeights(true);
    tree_->setAccessibleName(QStringLiteral("Résultats dans tous les documents"));
    tree_->header()->setStretchLastSection(true);
    tree_->setItemDelegate(new hit_delegate(tree_));
    // The list shows that it has the keyboard, as the pages and the fields do.
    tree_->setStyleSheet(
        QStringLiteral("QTreeWidget:focus { border: 2px solid palette(highlight); }"));
    // The results read at the size of the rest of the help's text.
    QFont font = tree_->font();
    font.setPixelSize(13);
    tree_->setFont(font);
    status_->setFont(font);
    column->addWidget(tree_, 1);
    // A click, or Enter (not the list's own activation as well: a double click
    // would ask twice, and the opening routine makes the second request wait).
    connect(tree_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { choose(item); });
    tree_->installEventFilter(this);
}

bool folder_results::eventFilter(QObject* watched, QEvent* e) {
    if (watched == tree_ && e->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            choose(tree_->currentItem());
            return true;
        }
        // Above the first hit there is only its document's name: Up goes back
        // to the word, as it would in a list under a field.
        const QTreeWidgetItem* current = tree_->currentItem();
        if (key->key() == Qt::Key_Up && key->modifiers() == Qt::NoModifier &&
            (!current || current == first_hit() || !tree_->itemAbove(current))) {
            emit left_upwards();
            return true;
        }
    }
    // Tab into a list with nothing chosen: its first hit, so that Enter opens it.
    if (watched == tree_ && e->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) &&
            !tree_->currentItem())
            if (QTreeWidgetItem* first = first_hit())
                tree_->setCurrentItem(first);
    }
    return QWidget::eventFilter(watched, e);
}

QTreeWidgetItem* folder_results::first_hit() const {
    for (int row = 0; row < tree_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* group = tree_->topLevelItem(row);
        for (int i = 0; i < group->childCount(); ++i)
            if (group->child(i)->data(0, page_role).toInt() >= 0)
                return group->child(i);
    }
    return nullptr;
}

bool folder_results::enter(Qt::FocusReason reason) {
    if (tree_->topLevelItemCount() == 0)
        return false;
    if (!tree_->currentItem())
        tree_->setCurrentItem(first_hit() ? first_hit() : tree_->topLevelItem(0));
    tree_->setFocus(reason);
    return true;
}

void folder_results::start(const std::vector<folder_document>& documents, const QString& word) {
    documents_ = documents;
    word_ = word;
    hits_ = 0;
    counted_hits_ = 0;
    counted_documents_ = 0;
    running_ = true;
    tree_->clear();
    unlisted_ = nullptr;
    update_status();
}

// A document's group, made with its first row, among the others in the list's order.
QTreeWidgetItem* folder_results::group_of(int document) {
    int row = 0;
    for (; row < tree_->topLevelItemCount(); ++row) {
        QTreeWidgetItem* group = tree_->topLevelItem(row);
        const int shown = group->data(0, document_role).toInt();
        if (shown == document)
            return group;
        if (shown > document)
            break;
    }
    auto* group = new QTreeWidgetItem;
    const folder_document& d = documents_.at(static_cast<std::size_t>(document));
    group->setText(0, d.display_name);
    group->setToolTip(0, literal_rich_text(d.path));
    group->setData(0, document_role, document);
    QFont bold = tree_->font();
    bold.setBold(true);
    group->setFont(0, bold);
    tree_->insertTopLevelItem(row, group);
    group->setExpanded(true);
    return group;
}

void folder_results::add_hits(const std::vector<folder_hit>& hits) {
    for (const folder_hit& hit : hits) {
        QTreeWidgetItem* group = group_of(hit.document);
        // Pages in order within the group: hits may come from later pages first.
        int row = group->childCount();
        while (row > 0 && group->child(row - 1)->data(0, page_role).toInt() > hit.page)
            --row;
        auto* item = new QTreeWidgetItem;
        const QString where = QStringLiteral("Page %1\u00a0: ").arg(hit.page + 1);
        item->setText(0, where + hit.line.text);
        item->setData(0, hit_start_role, static_cast<int>(where.size()) + hit.line.hit_start);
        item->setData(0, hit_length_role, hit.line.hit_length);
        item->setToolTip(0, literal_rich_text(hit.line.text));
        item->setData(0, document_role, hit.document);
        item->setData(0, page_role, hit.page);
        item->setData(0, occurrence_role, hit.occurrence);
        group->insertChild(row, item);
        ++hits_;
    }
    update_status();
}

void folder_results::add_skipped(int document, const QString& reason) {
    QTreeWidgetItem* group = group_of(document);
    auto* item = new QTreeWidgetItem;
    item->setText(0, reason);
    item->setFlags(Qt::ItemIsEnabled);
    item->setData(0, page_role, -1);
    QFont italic = tree_->font();
    italic.setItalic(true);
    item->setFont(0, italic);
    item->setForeground(0, palette().color(QPalette::PlaceholderText));
    group->insertChild(0, item);
}

void folder_results::set_count(qint64 hits, int documents) {
    counted_hits_ = hits;
    counted_documents_ = documents;
    update_unlisted();
    update_status();
}

void folder_results::update_unlisted() {
    const qint64 more = counted_hits_ - hits_;
    if (more <= 0)
        return;
    if (!unlisted_) {
        unlisted_ = new QTreeWidgetItem;
        unlisted_->setFlags(Qt::ItemIsEnabled);
        unlisted_->setData(0, document_role, after_every_document);
        QFont italic = tree_->font();
        italic.setItalic(true);
        unlisted_->setFont(0, italic);
        tree_->addTopLevelItem(unlisted_);
    }
    unlisted_->setText(0, QStringLiteral("… et %1, non affichés\u00a0: précisez le mot cherché")
                              .arg(count_of(more, QStringLiteral("autre résultat"),
                                            QStringLiteral("autres résultats"))));
}

void folder_results::finish() {
    running_ = false;
    update_status();
}

QString folder_results::status() const {
    return status_->text();
}

void folder_results::update_status() {
    int documents = 0;
    for (int row = 0; row < tree_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* group = tree_->topLevelItem(row);
        for (int i = 0; i < group->childCount(); ++i)
            if (group->child(i)->data(0, page_role).toInt() >= 0) {
                ++documents;
                break;
            }
    }
    documents = std::max(documents, counted_documents_);
    const qint64 total = std::max<qint64>(hits_, counted_hits_);
    QString text;
    if (total == 0)
        text = running_
                   ? QStringLiteral("Recherche de «\u00a0%1\u00a0» dans tous les documents…")
                         .arg(word_)
                   : QStringLiteral("«\u00a0%1\u00a0» ne figure dans aucun document du dossier")
                         .arg(word_);
    else
        text =
            QStringLiteral("%1 dans %2%3%4")
                .arg(count_of(total, QStringLiteral("résultat"), QStringLiteral("résultats")),
                     count_of(documents, QStringLiteral("document"), QStringLiteral("documents")),
                     total > hits_ ? QStringLiteral("\u00a0; les %1 premiers sont affichés")
                                         .arg(number_text(hits_))
                                   : QString(),
                     running_ ? QStringLiteral(" (recherche en cours…)") : QString());
    show_value(status_, text);
}

void folder_results::choose(QTreeWidgetItem* item) {
    if (!item || !item->parent())
        return;
    const int page = item->data(0, page_role).toInt();
    if (page >= 0)
        emit hit_chosen(item->data(0, document_role).toInt(), page,
                        item->data(0, occurrence_role).toInt());
}

} // namespace krv
