// The pages of a PDF, one under the other, at a zoom the reader chooses: fitted to
// the width, the whole page, or a factor. Renders what is visible, keeps a bounded
// cache of rendered pages, paints search hits and the text selection over them.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <list>
#include <vector>

#include <QPdfDocument>

namespace krv {

/// A rectangle to paint over a page, in the page's points.
struct page_highlight {
    QRectF rect;
    bool current = false; ///< the hit the reader is on
};

/// What stands under the pointer on a page: a link to click, a note to read.
struct page_spot {
    QString tooltip;        ///< empty: nothing there
    bool clickable = false; ///< a link: the pointer becomes a hand
};

class page_view : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class zoom_mode { fit_width, fit_page, factor };

    static constexpr double min_zoom = 0.25;  ///< 25 %
    static constexpr double max_zoom = 4.0;   ///< 400 %: beyond, pages render in visible parts only
    static constexpr double zoom_step = 1.25; ///< one step of Ctrl++ or Ctrl+-
    static constexpr double page_margin = 8.0; ///< around the pages, pixels

    explicit page_view(QWidget* parent);

    /// Shows a document (or none). With keep_place the page, the place on it and the
    /// zoom stay as they were, as when a changed file is shown again.
    void set_document(QPdfDocument* document, bool keep_place = false);
    QPdfDocument* document() const { return document_; }
    int page_count() const { return static_cast<int>(tops_.size()); }

    zoom_mode mode() const { return mode_; }
    /// The zoom in effect: 1 is 100 %, a page at its printed size on a 96-dpi screen.
    double zoom() const { return scale_ * 72.0 / 96.0; }
    void set_zoom_mode(zoom_mode mode);
    /// Sets a zoom factor, clamped to [min_zoom, max_zoom], keeping the place read.
    void set_zoom(double factor);
    void zoom_in();
    void zoom_out();

    /// The page the reader is on: the one under the middle of the view (from 0).
    int current_page() const;
    /// Scrolls to the top of `page`, the page's margin showing above it.
    void go_to_page(int page);
    /// Scrolls so that `point` (points, from the page's top-left) of `page` stands
    /// at the top-left corner of the view, as far as the scroll range allows.
    void go_to_point(int page, QPointF point);
    /// The page and point (in points) at the top-left corner of the view.
    std::pair<int, QPointF> top_place() const;
    /// Scrolls the least needed to show a rectangle of a page.
    void ensure_visible(int page, const QRectF& rect);

    /// Where a point of a page (in points) stands in the viewport, in pixels.
    QPointF to_viewport(int page, QPointF point) const;
    /// The page under a viewport position and the point on it; page -1 when none.
    std::pair<int, QPointF> from_viewport(QPoint position) const;

    /// What to paint over each visible page (search hits).
    void set_highlight_source(std::function<std::vector<page_highlight>(int page)> source);
    /// Paints over each visible page, after the highlights; `page_area` is the page's
    /// rectangle in the viewport and `scale` its pixels per point.
    using page_painter =
        std::function<void(QPainter& painter, int page, const QRectF& page_area, double scale)>;
    void set_page_painter(page_painter painter);
    /// What stands at a point of a page (links, notes), for the pointer and tooltips.
    void set_spot_source(std::function<page_spot(int page, QPointF point)> source);
    /// Text selected with the mouse or Ctrl+A; empty when none.
    QString selected_text() const { return selection_text_; }
    void select_page_text(int page);
    void clear_selection();

    /// Bytes held by rendered pages.
    qint64 cache_bytes() const;

signals:
    void current_page_changed(int page);
    void zoom_changed();
    /// The pages of a newly shown document have been painted once.
    void first_painted();
    /// A click (not a drag) on a clickable spot; `point` in the page's points.
    void spot_clicked(int page, QPointF point);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    struct place {
        int page = 0;
        QPointF point; ///< in points
    };
    place place_at(QPoint viewport_position) const;
    /// The page a press at a viewport position selects on: the one under it, or the
    /// nearest one from a margin; the point is kept inside that page.
    std::pair<int, QPointF> selection_point(QPointF position, int page = -1) const;
    /// Where a selection that starts (or ends) at a point of the selected page starts
    /// (or ends) in its text: a point beside, above or below the lines moves to the
    /// nearest line's start (or end), since the text is found only near characters.
    QPointF in_text(QPointF point, bool end) const;
    void show_place(const place& p, QPoint viewport_position);
    /// Changes the zoom, keeping what stands at `anchor` where it is.
    void rezoom(QPoint anchor, zoom_mode mode, double factor);
    QPoint middle() const;
    void relayout();
    double fitting_scale() const;
    QSizeF page_size_px(int page) const;
    QImage rendered(int page, const QSize& size, const QRect& visible_part);
    void check_current_page();
    void copy_selection() const;
    /// Shows that the pages have the keyboard focus (not after a click gave it).
    void paint_focus_ring(QPainter& painter) const;
    void measure_more_pages();
    void measure_pages_up_to(int page);
    page_spot spot_at(QPoint viewport_position) const;
    void paint_page_extras(QPainter& painter, int page);

    QPointer<QPdfDocument> document_;
    zoom_mode mode_ = zoom_mode::fit_width;
    double scale_ = 1.0;         ///< pixels per point
    std::vector<double> tops_;   ///< top of each page in content pixels
    std::vector<QSizeF> points_; ///< size of each page in points
    double content_width_ = 0;
    double content_height_ = 0;
    int last_current_ = -1;
    // Page sizes are read a batch at a time after the first paint (reading all of
    // them first would make a long document slow to open); until then a page is
    // taken to be as large as the first.
    int sizes_known_ = 0;
    bool sizes_differ_ = false;
    QTimer* size_timer_;

    struct cached_page {
        int page;
        QSize size;
        QImage image;
    };
    std::list<cached_page> cache_; ///< most recently used first

    std::function<std::vector<page_highlight>(int)> highlights_;
    page_painter page_painter_;
    std::function<page_spot(int, QPointF)> spots_;
    bool painted_ = false;  ///< the document's pages have been painted once
    QPoint press_position_; ///< where the left button went down
    bool press_on_link_ = false;
    int selection_page_ = -1;
    QPointF selection_start_;
    QList<QPolygonF> selection_bounds_;
    std::vector<QRectF> selection_lines_; ///< the selected page's lines of text, top first
    QString selection_text_;
    bool selecting_ = false;
    bool focus_from_mouse_ = false; ///< a click gave the focus: no ring until a key does
};

} // namespace krv
