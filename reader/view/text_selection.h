// The text the reader selects on a page, with the mouse or Ctrl+A, and its copy to
// the clipboards. The text comes from the pdf thread: a drag asks for one
// selection at a time, the latest end next.
#pragma once

#include "pdf_thread.h"

#include <QList>
#include <QObject>
#include <QPolygonF>
#include <QString>

class QPdfSelection;

#include <memory>
#include <optional>
#include <vector>

namespace krv {

struct selection_lines;

/// Where a selection that starts (or ends) at a point of a page starts (or ends)
/// in its text, given its lines top first: a point beside, above or below the
/// lines moves to the nearest line's start (or end).
QPointF point_in_text(const std::vector<QRectF>& lines, QPointF point, bool end);

/// Text as Linux programs expect it: lines end with a line feed, not CR-LF, and a
/// hyphen that ended a line is written as it was printed.
QString with_linux_line_ends(QString text);

/// What a double click (a word) or a triple click (a line) selects.
enum class text_unit { word, line };

class text_selection : public QObject {
    Q_OBJECT
public:
    explicit text_selection(QObject* parent);

    /// The document selected in; what was selected goes.
    void set_document(shared_document document);
    /// The page selected on (-1: none), and the selection's lines there, in points.
    int page() const { return page_; }
    const QList<QPolygonF>& bounds() const { return bounds_; }
    /// Empty when nothing is selected (or not read yet).
    const QString& text() const { return text_; }
    /// Where the selection stands in the page's text as Qt PDF gives it, from its
    /// first character to after its last; equal when nothing is selected.
    int start_index() const { return start_index_; }
    int end_index() const { return end_index_; }

    /// A press at a point of a page: a selection starts there.
    void start(int page, QPointF point);
    /// The pointer moved on to `end` (points, on the page selected on).
    void extend(QPointF end);
    /// The button went up: the X selection gets the text, now or once it comes.
    void finish();
    /// Selects a page's whole text.
    void select_page(int page);
    /// Selects the word or the line at a point of a page (nothing when no text is there).
    void select_at(int page, QPointF point, text_unit unit);
    void clear();
    /// Copies the selection, or the whole text of `current_page` when none.
    void copy(int current_page);

signals:
    /// What shows of the selection changed: to paint again.
    void changed();

private:
    void ask(QPointF end);
    /// A selection read on the pdf thread: its text, lines and place in the page's text.
    struct read_selection {
        QString text;
        QList<QPolygonF> bounds;
        int start = 0;
        int length = 0;
    };
    static read_selection read_from(const QPdfSelection& selection);
    void take(int page, read_selection selection, bool whole_page);

    shared_document document_;
    int page_ = -1;
    QPointF start_;
    QList<QPolygonF> bounds_;
    /// The selected page's lines of text, read on the pdf thread.
    std::shared_ptr<selection_lines> lines_;
    QString text_;
    int start_index_ = 0;
    int end_index_ = 0;
    bool asked_ = false;             ///< a selection is on its way
    std::optional<QPointF> waiting_; ///< the end to ask for next
    bool copy_waiting_ = false;      ///< copy once the selection comes
    bool primary_waiting_ = false;   ///< the drag ended: X selection on answer
};

} // namespace krv
