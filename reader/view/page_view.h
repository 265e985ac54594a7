// The pages of a PDF, one under the other, at a zoom the reader chooses: fitted to
// the width, the whole page, or a factor. What shows is painted from the pictures
// that page_pictures has rendered; until they come, the previous zoom's stand in,
// stretched. Search hits and the text selection are painted over the pages.
#pragma once

#include "page_layout.h"
#include "page_pictures.h"
#include "text_selection.h"

#include <QAbstractScrollArea>
#include <QPainter>

#include <functional>
#include <optional>
#include <vector>

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

/// A link the keyboard can reach on a page: where it stands (points) and where it
/// leads, as its tooltip says it.
struct page_link_area {
    QRectF rect;
    QString target;
};

class page_view : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class zoom_mode { fit_width, fit_page, factor };

    static constexpr double min_zoom = smallest_zoom;
    static constexpr double max_zoom = largest_zoom;
    static constexpr double zoom_step = 1.25; ///< one step of Ctrl++ or Ctrl+-
    /// The least the tile cache may hold, in pixels (16 MiB): with the view's own
    /// size, its bound (cache_budget).
    static constexpr qint64 min_cache_pixels = 4LL * 1024 * 1024;

    explicit page_view(QWidget* parent);
    ~page_view() override;

    /// Shows a document (or none). With keep_place the page, the place on it and the
    /// zoom stay as they were, as when a changed file is shown again.
    void set_document(shared_document document, bool keep_place = false);
    const shared_document& document() const { return document_; }
    int page_count() const { return layout_.page_count(); }
    /// Asks now for the pictures that a document not shown yet will show first
    /// (from its first page, fitted to the width), so that set_document paints them
    /// at once.
    void prepare_first_screen(const shared_document& document);

    zoom_mode mode() const { return mode_; }
    /// The zoom in effect: 1 is 100 %, a page at its printed size on a 96-dpi screen.
    double zoom() const { return zoom_of_scale(layout_.scale); }
    void set_zoom_mode(zoom_mode mode);
    /// Sets a zoom factor, clamped to [min_zoom, max_zoom], keeping the place read.
    void set_zoom(double factor);
    void zoom_in();
    void zoom_out();

    /// The page the reader is on (from 0): the one that takes most of the view's
    /// height, the first of those that show whole, the last at the very end.
    int current_page() const;
    /// Scrolls to the top of `page`, the page's margin showing above it.
    void go_to_page(int page);
    /// Scrolls to the end of the last page.
    void go_to_end();
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
    /// The pages that show, first and last; -1 and -1 when none.
    std::pair<int, int> visible_pages() const;

    /// What to paint over each visible page (search hits).
    void set_highlight_source(std::function<std::vector<page_highlight>(int page)> source);
    /// Paints over each visible page, after the highlights; `page_area` is the page's
    /// rectangle in the viewport and `scale` its pixels per point.
    using page_painter =
        std::function<void(QPainter& painter, int page, const QRectF& page_area, double scale)>;
    void set_page_painter(page_painter painter);
    /// What stands at a point of a page (links, notes), for the pointer and tooltips.
    void set_spot_source(std::function<page_spot(int page, QPointF point)> source);

    /// The links of a page, in the document's order, for Tab and Shift+Tab.
    void set_link_source(std::function<std::vector<page_link_area>(int page)> source);
    /// Tab (forward) or Shift+Tab through the links of the page being read: true
    /// when the focus stays on the pages (on a link, or back on the pages
    /// themselves before the first); false when it leaves them, as without links.
    bool focus_next_link(bool forward);
    /// Follows the link the keyboard is on, as a click does; false when none.
    bool follow_focused_link();
    /// The target of the link the keyboard is on; empty when none.
    QString focused_link_target() const;

    /// The selection: its page, text and place in the page's text.
    const text_selection& selection() const { return *selection_; }
    /// Text selected with the mouse or Ctrl+A; empty when none (or not read yet).
    QString selected_text() const { return selection_->text(); }
    /// Selects a page's whole text (it comes from the pdf thread a moment later).
    void select_page_text(int page) { selection_->select_page(page); }
    void clear_selection() { selection_->clear(); }
    /// Copies the selection, or the current page's text, to the clipboard.
    void copy_selection() { selection_->copy(current_page()); }

    /// Reads every page's size in the background (until then a page is taken to be
    /// as large as the first, or as large as it was when it showed).
    void read_page_sizes();
    /// Lets go of the tiles that do not show (the reader is idle: memory goes back).
    void shed_hidden_tiles();
    /// Pixels held by rendered tiles, and the most they may hold.
    qint64 cache_pixels() const { return pictures_->cache().pixels(); }
    qint64 cache_budget() const { return pictures_->cache().budget(); }
    /// The pages in reversed colours, for reading in the dark: their pictures
    /// are rendered again so; those of the other colours never show again.
    void set_inverted(bool inverted);
    bool inverted() const { return inverted_; }
    /// Whether the last paint had every picture it showed, at the zoom in effect.
    bool pictures_complete() const { return complete_; }

signals:
    /// Another document (or none) is shown, at its first page or where it was.
    void document_set();
    void current_page_changed(int page);
    void zoom_changed();
    /// The pages of a newly shown document have been painted once, pictures and all.
    void first_painted();
    /// A paint had every picture it needed (the reader is idle after it).
    void pictures_shown();
    /// Every page's size has been read (what reading them kept is let go).
    void page_sizes_read();
    /// A click (not a drag) on a clickable spot; `point` in the page's points.
    void spot_clicked(int page, QPointF point);
    /// The pages' menu is asked for (right button, the Menu key, Shift+F10), to
    /// show at a point of the screen.
    void menu_requested(QPoint global_position);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    // Places and zoom (page_view.cpp).
    QPoint scrolled() const;
    page_place place_at(QPoint viewport_position) const;
    /// The page a press at a viewport position selects on: the one under it, or the
    /// nearest one from a margin; the point is kept inside that page.
    std::pair<int, QPointF> selection_point(QPointF position, int page = -1) const;
    void show_place(const page_place& p, QPoint viewport_position);
    /// Changes the zoom, keeping what stands at `anchor` where it is.
    void rezoom(QPoint anchor, zoom_mode mode, double factor);
    QPoint middle() const;
    /// A fitted zoom's scale, from a page's size: a page once shown keeps its
    /// scale when the other pages' sizes come, and only the reader changes it.
    void refit(int page);
    void relayout();
    /// Lays out again, keeping what stands at the top-left corner there; fitted
    /// again to `refit_page` first, when given.
    void relayout_in_place(std::optional<int> refit_page = std::nullopt);
    void check_current_page();
    void take_page_size(quint64 document, int page, QSizeF size);
    void take_page_sizes(quint64 document, std::vector<QSizeF> sizes);
    void update_cache_budget();

    // Painting (page_view_paint.cpp).
    /// The page's rectangle in the viewport, whole pixels.
    QRect page_rect(int page) const;
    QSize device_pixels(int page) const;
    /// Asks for the tiles that show and are missing; true when none is.
    bool request_visible();
    std::vector<tile_key> visible_tiles(int page) const;
    /// Paints a page's tiles, and stand-ins where some are missing.
    void paint_pictures(QPainter& painter, int page);
    void paint_stand_ins(QPainter& painter, int page, const QRect& area, QSize whole);
    void paint_page_extras(QPainter& painter, int page);
    /// Shows that the pages have the keyboard focus (not after a click gave it),
    /// and round the link the keyboard is on.
    void paint_focus_ring(QPainter& painter) const;
    /// The links of the page being read, as the link source gives them.
    std::vector<page_link_area> links_here() const;
    /// The link the keyboard is on, when it is on one of the page being read.
    std::optional<page_link_area> focused_link_area() const;
    /// The keyboard on the link `index` of the page being read (-1: on none);
    /// screen readers are told where it leads.
    void focus_link(int index);

    // Input (page_view_input.cpp).
    page_spot spot_at(QPoint viewport_position) const;
    /// Where the menu asked for by a key shows: under the selection when it shows, else mid-view.
    QPoint menu_position() const;

    shared_document document_;
    zoom_mode mode_ = zoom_mode::fit_width;
    page_layout layout_;
    int fitted_page_ = 0; ///< the page a fitted zoom was fitted to
    /// The page last gone to (a number typed, Home, End), the current one as long
    /// as the view stays there: at a small zoom it may show whole beside others.
    struct pinned_page {
        int page = -1;
        int scrolled_to = 0;
    };
    pinned_page pinned_;
    int last_current_ = -1;
    bool sizes_asked_ = false;
    bool placing_ = false; ///< the scroll bars move for a new layout: no request yet

    page_pictures* pictures_;
    bool complete_ = false;
    bool inverted_ = false;
    bool painted_ = false; ///< the document's pages have been painted once
    std::function<std::vector<page_highlight>(int)> highlights_;
    page_painter page_painter_;
    std::function<page_spot(int, QPointF)> spots_;
    std::function<std::vector<page_link_area>(int)> link_source_;
    struct focused_link {
        int page = -1;
        int index = -1; ///< -1: none
    };
    focused_link link_;

    text_selection* selection_;
    QPoint press_position_; ///< where the left button went down
    bool press_on_link_ = false;
    bool selecting_ = false;
    ulong double_click_time_ = 0; ///< a press soon after, close by, is a triple click
    QPoint double_click_position_;
    std::optional<QPoint> pan_from_; ///< the middle button drags the pages from there
    bool focus_from_mouse_ = true; ///< no ring until a key is used (none at start or after a click)
};

} // namespace krv
