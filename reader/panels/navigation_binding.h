// Where the document's structure leads the reader: the outline beside the pages
// (F9), the links and notes of the pages read as they show, where a link or an
// outline entry goes, the place a document was asked to open at, and the way
// back and forth between the places they led to (Alt+Left, Alt+Right, the
// mouse's side buttons, two toolbar buttons).
#pragma once

#include "document_place.h"
#include "links.h"
#include "structure_types.h"
#include "toolbars.h"

#include <QObject>
#include <QPointF>
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

class QModelIndex;
class QPainter;
class QSplitter;
class QTreeView;

namespace krv {

class document_session;
class outline_panel;
class page_view;
struct reading_place;

class navigation_binding : public QObject {
    Q_OBJECT
public:
    /// The outline is made, at the left of `splitter`, when first shown.
    navigation_binding(document_session& session, page_view& view, const reader_toolbar& toolbar,
                       QSplitter& splitter);
    ~navigation_binding() override;

    /// Another document shows (or none): its links go, and its outline unless
    /// it is the same file read again.
    void new_document(bool same_file);
    /// Goes to the place a document was asked to open at: its destination when
    /// found, else its page; a place the document does not have (a page out of
    /// range, an unknown name) leaves it at its first page, without a message:
    /// the host may be newer than its documents.
    void go_to_place(const std::optional<jump_target>& destination, const document_place& place);

    bool has_outline() const;
    /// Where the outline's chapters lead; nothing while not read yet, none
    /// without an outline.
    const std::optional<std::vector<outline_mark>>& outline_marks() const { return marks_; }
    void show_outline(bool shown);
    /// The outline's tree view; null until first shown.
    QTreeView* outline() const { return outline_; }

    /// Follows the link at a point of a page (in points), as a click does.
    void follow_link_at(int page, QPointF point);
    /// Follows an outline entry (its destination is resolved first), as a click does.
    void follow_outline_entry(const QModelIndex& index);
    void go_back();
    void go_forward();
    bool can_go_back() const;
    bool can_go_forward() const;
    /// The links and notes read of a page so far (they are read as pages show).
    const page_annotations* annotations_of(int page) const { return links_.find(page); }

signals:
    /// The document's outline has been read (it may be empty, or a damaged one cut short).
    void outline_ready();
    /// A link asks for a web or mail address, which the desktop should open.
    void open_url_requested(const QUrl& url);
    /// A refused link, said in a message.
    void notice(const QString& text);
    /// The view moved to another place.
    void moved();

private:
    void ensure_outline();
    void show_outline_tree(std::shared_ptr<const outline_tree> tree);
    void paint_page_overlay(QPainter& painter, int page, const QRectF& area, double scale);
    /// The links of a page read so far that lead somewhere, for the keyboard.
    std::vector<page_link_area> link_areas(int page) const;
    void follow(const link_action& action);
    void jump_to(const jump_target& target);
    void show_place(const reading_place& place);
    reading_place place_now() const;
    void update_history_buttons();

    document_session& session_;
    page_view& view_;
    const reader_toolbar& toolbar_;
    QSplitter& splitter_;
    QTreeView* outline_ = nullptr;
    std::unique_ptr<outline_panel> outline_panel_;
    std::shared_ptr<const outline_tree> outline_tree_; ///< as read; null until then
    bool outline_filled_ = false;                      ///< the panel shows outline_tree_
    std::optional<std::vector<outline_mark>> marks_;
    page_links links_;
};

} // namespace krv
