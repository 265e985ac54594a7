// The results of a search in every document of the folder: a list grouped by
// document, under its readable name and in the list's order, each hit with its
// page and the line round it, growing as hits come; the documents not looked
// through say why. Enter or a click on a hit asks for its document at its page.
#pragma once

#include "folder_search.h"

#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace krv {

class folder_results : public QWidget {
    Q_OBJECT
public:
    explicit folder_results(QWidget* parent);

    /// Empties the list for a search of `word` in these documents.
    void start(const std::vector<folder_document>& documents, const QString& word);
    void add_hits(const std::vector<folder_hit>& hits);
    void add_skipped(int document, const QString& reason);
    /// Every hit found so far, listed or not, and the documents they are in:
    /// those beyond the list are said at its end.
    void set_count(qint64 hits, int documents);
    /// Every document has been looked through.
    void finish();

    QTreeWidget* tree() const { return tree_; }
    /// The keyboard goes into the list, on its first hit (or where it was);
    /// false when the list is empty.
    bool enter(Qt::FocusReason reason);
    QString status() const;
    int hit_count() const { return hits_; }

signals:
    /// A hit was chosen: its document (index of the documents given), its page,
    /// and which hit of the page it is.
    void hit_chosen(int document, int page, int occurrence);
    /// Up on the first hit: the keyboard goes back to where the word is typed.
    void left_upwards();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QTreeWidgetItem* group_of(int document);
    void update_unlisted();
    void update_status();
    void choose(QTreeWidgetItem* item);
    /// The first row of a hit; null while there is none.
    QTreeWidgetItem* first_hit() const;

    QLabel* status_;
    QTreeWidget* tree_;
    std::vector<folder_document> documents_;
    QString word_;
    int hits_ = 0;
    qint64 counted_hits_ = 0;
    int counted_documents_ = 0;
    QTreeWidgetItem* unlisted_ = nullptr; ///< the last row, when hits are not listed
    bool running_ = false;
};

} // namespace krv
