// The component's use of the document's structure: form fields drawn in, the
// outline, links and notes read as pages show, where a link or an outline entry
// leads, and the way back (Alt+Left, Alt+Right, the mouse's side buttons).
#include "pdf_component.h"

#include "notes.h"
#include "outline_panel.h"

#include <QMouseEvent>
#include <QPointer>
#include <QToolButton>
#include <QTreeView>

namespace krv {

void pdf_component::connect_structure() {
    connect(view_, &page_view::first_painted, this, &pdf_component::start_background_work);
    connect(view_, &page_view::spot_clicked, this, &pdf_component::follow_link_at);
    structure_reader* structure = &session_->structure();
    connect(session_.get(), &document_session::copy_shown, this, &pdf_component::show_copy);
    connect(structure, &structure_reader::outline_read, this,
            [this](std::shared_ptr<const outline_tree> tree) {
                show_outline_tree(std::move(tree));
                emit outline_ready();
            });
    connect(structure, &structure_reader::page_read, this,
            [this](int page, std::shared_ptr<const page_annotations> annotations) {
                links_.store(page, std::move(annotations));
                view_->viewport()->update(); // its notes
            });
    connect(structure, &structure_reader::outline_action_read, this, &pdf_component::follow);
    view_->set_spot_source([this](int page, QPointF point) { return links_.spot_at(page, point); });
    view_->set_page_painter([this](QPainter& painter, int page, const QRectF& area, double scale) {
        paint_page_overlay(painter, page, area, scale);
    });
    update_history_buttons();
}

void pdf_component::start_structure() {
    session_->start_structure();
    view_->viewport()->update(); // the visible pages ask for their links
}

// The copy of the document with its fields drawn in shows in place of the original.
void pdf_component::show_copy() {
    view_->set_document(document(), true);
    share_text();
    search_again_in_copy();
}

// The outline is made into rows when the panel first shows it, not when it is
// read: a manual's thousand entries took the GUI thread 6 to 14 ms, a stall
// while the reader had just begun to read.
void pdf_component::show_outline_tree(std::shared_ptr<const outline_tree> tree) {
    outline_tree_ = std::move(tree);
    outline_filled_ = false;
    if (outline_panel_)
        outline_panel_->clear();
    toolbar_.outline->setVisible(has_outline());
    if (outline_)
        show_outline(toolbar_.outline->isChecked());
}

void pdf_component::paint_page_overlay(QPainter& painter, int page, const QRectF& area,
                                       double scale) {
    structure_reader& structure = session_->structure();
    if (!structure.is_open())
        return;
    if (links_.needs_request(page))
        structure.request_page(page);
    else if (const page_annotations* annotations = links_.find(page))
        paint_notes(painter, *annotations, area, scale);
}

void pdf_component::follow_link_at(int page, QPointF point) {
    if (const page_link* link = links_.link_at(page, point))
        follow(link->action);
}

void pdf_component::follow_outline_entry(const QModelIndex& index) {
    if (const auto item = outline_panel::item_of(index))
        session_->structure().request_outline_action(*item);
}

void pdf_component::follow(const link_action& action) {
    const link_verdict verdict = judge_link(action);
    const int page = view_->current_page();
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
        return jump_to({view_->page_count() - 1, {}, {}});
    case link_verdict::kind::refuse:
        if (!verdict.reason.isEmpty())
            emit notice(verdict.reason);
        return;
    }
}

reading_place pdf_component::place_now() const {
    const auto [page, point] = view_->top_place();
    return {page, point};
}

void pdf_component::show_place(const reading_place& place) {
    view_->go_to_point(place.page, place.point);
    update_toolbar();
}

void pdf_component::jump_to(const jump_target& target) {
    if (target.page_index < 0 || target.page_index >= view_->page_count())
        return;
    const reading_place from = place_now();
    if (target.y)
        view_->go_to_point(target.page_index, QPointF(target.x.value_or(0), *target.y));
    else
        view_->go_to_page(target.page_index);
    session_->history().record_jump(from, place_now());
    update_history_buttons();
    update_toolbar();
    view_->setFocus();
}

void pdf_component::go_back() {
    if (const auto place = session_->history().back(place_now()))
        show_place(*place);
    update_history_buttons();
}

void pdf_component::go_forward() {
    if (const auto place = session_->history().forward(place_now()))
        show_place(*place);
    update_history_buttons();
}

void pdf_component::update_history_buttons() {
    if (!toolbar_.back)
        return;
    toolbar_.back->setEnabled(session_->history().can_go_back());
    toolbar_.forward->setEnabled(session_->history().can_go_forward());
}

void pdf_component::mousePressEvent(QMouseEvent* e) {
    // The mouse's side buttons, pressed over the pages or the toolbar.
    if (e->button() == Qt::BackButton)
        go_back();
    else if (e->button() == Qt::ForwardButton)
        go_forward();
    else
        return QWidget::mousePressEvent(e);
    e->accept();
}

} // namespace krv
