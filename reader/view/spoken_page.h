// The text of the page being read, as screen readers and magnifiers are given it:
// read on the pdf thread each time the reader comes to another page, with where
// each of its characters stands. Made only once an assistive tool asks about the
// pages: nobody else pays for it.
#pragma once

#include <QList>
#include <QObject>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

namespace krv {

class page_view;

/// A page's text as it is spoken, one character for each of Qt PDF's, so that
/// offsets stay its own: a line's end is a line feed (a carriage return before
/// one becomes a space), a hyphen that ended a line is a hyphen.
QString spoken_text(QString raw);

/// Where each character of a page's `text` stands (points, on the page), from
/// the runs of text Qt PDF gives in reading order: runs side by side make a
/// line, the text's lines are laid on these lines in turn (spread over them
/// when they do not pair off), and a line's characters share its width equally:
/// Qt PDF 6.4 gives no character's own box. A line feed gets an empty box where
/// its line ends.
std::vector<QRectF> character_boxes(const QString& text, const QList<QPolygonF>& runs);

class spoken_page : public QObject {
    Q_OBJECT
public:
    /// Follows `view`'s current page from now on; a child of it.
    explicit spoken_page(page_view* view);

    /// The page spoken (-1: none) and its text; empty until it is read.
    int page() const { return page_; }
    const QString& text() const { return text_; }
    /// A character's box in points on page(); empty when out of range.
    QRectF box(int offset) const;
    /// The character whose box holds a point of page(), else the nearest on the
    /// line there; -1 when no line is there.
    int offset_at(QPointF point) const;

private:
    void follow();
    void take(quint64 document, int page, QString text, std::vector<QRectF> boxes);
    void selection_changed();

    page_view* view_;
    quint64 document_ = 0;
    int page_ = -1;
    QString text_;
    std::vector<QRectF> boxes_;
    /// The page wanted now: a reading asked for an earlier page is skipped.
    std::shared_ptr<std::atomic<int>> wanted_ = std::make_shared<std::atomic<int>>(-1);
};

} // namespace krv
