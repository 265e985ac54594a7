#include "navigation_binding.h"

#include "document_session.h"
#include "notes.h"
#include "outline_panel.h"
#include "page_view.h"
#include "structure_reader.h"

#include <QSplitter>
#include <QToolButton>
#include <QTreeView>

namespace krv {

namespace {

// The outline's width when it first shows; the user may drag it wider or narrower.
constexpr int outline_width = 240;

} // namespace

navigation_binding::navigation_binding(document_session& session, page_view& view,
                                       const reader_toolbar& toolbar, QSplitter& splitter)
    : session_(session), view_(view), toolbar_(toolbar), splitter_(splitter) {
    connect(toolbar.outline, &QToolButton::toggled, this, &navigation_binding::show_outline);
    connect(toolbar.back, &QToolButton::clicked, this, &navigation_binding::go_back);
    connect(toolbar.forward, &QToolButton::clicked, this, &navigation_binding::go_forward);
    connect(&view, &page_view::spot_clicked, this, &navigation_binding::follow_link_at);
    structure_reader* structure = &session.structure();
    connect(structure, &structure_reader::outline_read, this,
            [this](std::shared_ptr<const outline_tree> tree) {
                if (tree->roots.empty())
                    marks_.emplace(); // known: none
                show_outline_tree(std::move(tree));
                emit outline_ready();
            });
    connect(structure, &structure_reader::outline_marks_read, this,
            [this](const std::vector<outline_mark>& marks) { marks_ = marks; });
    connect(structure, &structure_reader::page_read, this,
            [this](int page, std::shared_ptr<const page_annotations> annotations) {
                links_.store(page, std::move(annotations));
                view_.viewport()->update(); // its notes
            });
    connect(structure, &structure_reader::outline_action_read, this, &navigation_binding::follow);
    view.set_spot_source([this](int page, QPointF point) { return links_.spot_at(page, point); });
    view.set_link_source([this](int page) { return link_areas(page); });
    view.set_page_painter([this](QPainter& painter, int page, const QRectF& area, double scale) {
        paint_page_overlay(painter, page, area, scale);
    });
    update_history_buttons();
}

navigation_binding::~navigation_binding() = default;

void navigation_binding::new_document(bool same_file) {
    if (!same_file)
        show_outline_tree(nullptr);
    marks_.reset(); // read again: a file changed on disk may have moved its chapters
    links_.clear();
    update_history_buttons();
}

void navigation_binding::go_to_place(const std::optional<jump_target>& destination,
                                     const document_place& place) {
    const int count = view_.page_count();
    if (destination && destination->page_index >= 0 && destination->page_index < count) {
        if (destination->y)
            view_.go_to_point(destination->page_index,
                              QPointF(destination->x.value_or(0), *destination->y));
        else
            view_.go_to_page(destination->page_index);
    } else if (place.page >= 1 && place.page <= count) {
        view_.go_to_page(place.page - 1);
    }
    emit moved();
}

void navigation_binding::ensure_outline() {
    if (outline_)
        return;
    outline_ = new QTreeView(&splitter_);
    outline_->setHeaderHidden(true);
    outline_->setAccessibleName(QStringLiteral("Sommaire"));
    // The outline reads at the size of the rest of the help's text.
    QFont outline_font = outline_->font();
    outline_font.setPixelSize(14);
    outline_->setFont(outline_font);
    // A long title keeps its start and its end (chapter number and last word);
    // the whole of it is in its tooltip.
    outline_->setTextElideMode(Qt::ElideMiddle);
    outline_panel_ = std::make_unique<outline_panel>(outline_);
    outline_->hide();
    splitter_.insertWidget(0, outline_);
    splitter_.setStretchFactor(1, 1);
    // The panel's edge can be dragged: a handle wide enough to catch, drawn when
    // the pointer is over it.
    splitter_.setHandleWidth(6);
    splitter_.setStyleSheet(QStringLiteral("QSplitter::handle { background: transparent; }"
                                           "QSplitter::handle:hover { background: #9aa6b4; }"));
    splitter_.setSizes({outline_width, std::max(outline_width, splitter_.width() - outline_width)});
    connect(outline_, &QTreeView::activated, this, &navigation_binding::follow_outline_entry);
    connect(outline_, &QTreeView::clicked, this, &navigation_binding::follow_outline_entry);
}

bool navigation_binding::has_outline() const {
    return session_.document() && outline_tree_ && !outline_tree_->roots.empty();
}

void navigation_binding::show_outline(bool shown) {
    ensure_outline();
    toolbar_.outline->setChecked(shown);
    const bool outline = has_outline();
    if (shown && outline && !outline_filled_) {
        outline_panel_->show_tree(*outline_tree_);
        outline_filled_ = true;
    }
    outline_->setVisible(shown && outline);
}

// The outline is made into rows when the panel first shows it, not when it is
// read: a manual's thousand entries took the GUI thread 6 to 14 ms, a stall
// while the reader had just begun to read.
void navigation_binding::show_outline_tree(std::shared_ptr<const outline_tree> tree) {
    outline_tree_ = std::move(tree);
    outline_filled_ = false;
    if (outline_panel_)
        outline_panel_->clear();
    toolbar_.outline->setVisible(has_outline());
    if (outline_)
        show_outline(toolbar_.outline->isChecked());
}

void navigation_binding::paint_page_overlay(QPainter& painter, int page, const QRectF& area,
                                            double scale) {
    structure_reader& structure = session_.structure();
    if (!structure.is_open())
        return;
    if (links_.needs_request(page))
        structure.request_page(page);
    else if (const page_annotations* annotations = links_.find(page))
        paint_notes(painter, *annotations, area, scale);
}

std::vector<page_link_area> navigation_binding::link_areas(int page) const {
    std::vector<page_link_area> areas;
    if (const page_annotations* annotations = links_.find(page))
        for (const page_link& link : annotations->links)
            if (link.action.kind != action_kind::none) {
                const QString target = link_tooltip(link.action);
                areas.push_back(
                    {QRectF(link.rect.x, link.rect.y, link.rect.width, link.rect.height),
                     target.isEmpty() ? QStringLiteral("action du document") : target});
            }
    return areas;
}

void navigation_binding::follow_link_at(int page, QPointF point) {
    if (const page_link* link = links_.link_at(page, point))
        follow(link->action);
}

void navigation_binding::follow_outline_entry(const QModelIndex& index) {
    if (const auto item = outline_panel::item_of(index))
        session_.structure().request_outline_action(*item);
}

void navigation_binding::follow(const link_action& action) {
    const link_verdict verdict = judge_link(action);
    const int page = view_.current_page();
    switch (verdict.what) {
    case link_verdict::kind::jump:
        return jump_to(verdict.target);
    case link_verdict::kind::open_url:
        emit open_url_requested(verdict.url);
        return;
    case link_verdict::kind::next_page:
        return jump_to({page + 1, {}, {}});
    case link_verdict::kind::previous_page:
        return jump_to({page - 1, {}, {}});
    case link_verdict::kind::first_page:
        return jump_to({0, {}, {}});
    case link_verdict::kind::last_page:
        return jump_to({view_.page_count() - 1, {}, {}});
    case link_verdict::kind::refuse:
        if (!verdict.reason.isEmpty())
            emit notice(verdict.reason);
        return;
    }
}

reading_place navigation_binding::place_now() const {
    const auto [page, point] = view_.top_place();
    return {page, point};
}

void navigation_binding::show_place(const reading_place& place) {
    view_.go_to_point(place.page, place.point);
    emit moved();
}

void navigation_binding::jump_to(const jump_target& target) {
    if (target.page_index < 0 || target.page_index >= view_.page_count())
        return;
    const reading_place from = place_now();
    if (target.y)
        view_.go_to_point(target.page_index, QPointF(target.x.value_or(0), *target.y));
    else
        view_.go_to_page(target.page_index);
    session_.history().record_jump(from, place_now());
    update_history_buttons();
    emit moved();
    view_.setFocus();
}

void navigation_binding::go_back() {
    if (const auto place = session_.history().back(place_now()))
        show_place(*place);
    update_history_buttons();
}

void navigation_binding::go_forward() {
    if (const auto place = session_.history().forward(place_now()))
        show_place(*place);
    update_history_buttons();
}

bool navigation_binding::can_go_back() const {
    return session_.history().can_go_back();
}

bool navigation_binding::can_go_forward() const {
    return session_.history().can_go_forward();
}

void navigation_binding::update_history_buttons() {
    toolbar_.back->setEnabled(session_.history().can_go_back());
    toolbar_.forward->setEnabled(session_.history().can_go_forward());
}

} // namespace krv
