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
    connect(structure_, &structure_reader::form_merged, this, &pdf_component::show_form_merged);
    connect(structure_, &structure_reader::outline_read, this,
            [this](std::shared_ptr<const outline_tree> tree) {
                show_outline_tree(std::move(tree));
                emit outline_ready();
            });
    connect(structure_, &structure_reader::page_read, this,
            [this](int page, std::shared_ptr<const page_annotations> annotations) {
                links_.store(page, std::move(annotations));
                view_->viewport()->update(); // its notes
            });
    connect(structure_, &structure_reader::outline_action_read, this, &pdf_component::follow);
    connect(structure_, &structure_reader::destination_read, this,
            [this](const std::optional<jump_target>& target) {
                if (std::exchange(awaiting_destination_, false))
                    finish_place(target);
            });
    view_->set_spot_source([this](int page, QPointF point) { return links_.spot_at(page, point); });
    view_->set_page_painter([this](QPainter& painter, int page, const QRectF& area, double scale) {
        paint_page_overlay(painter, page, area, scale);
    });
    update_history_buttons();
}

void pdf_component::start_structure() {
    if (!structure_pending_ || !shown_)
        return;
    structure_pending_ = false;
    structure_->open(shown_->bytes(), shown_password_);
    view_->viewport()->update(); // the visible pages ask for their links
}

void pdf_component::forget_structure() {
    structure_pending_ = false;
    structure_->close();
    links_.clear();
    history_.clear();
    update_history_buttons();
}

// The same document with its fields drawn in, shown in place of the original.
void pdf_component::show_form_merged(const QByteArray& bytes) {
    if (!shown_)
        return;
    QPointer<pdf_component> self(this);
    const quint64 original = shown_->id();
    pdf_->open_bytes(bytes, shown_password_, [self, original](opened_document merged) {
        if (!self || !self->shown_ || self->shown_->id() != original || !merged.document ||
            merged.document->page_count() != self->shown_->page_count())
            return; // what shows stays: the pages, without their fields
        self->search_.reset();
        self->shown_ = std::move(merged.document);
        self->view_->set_document(self->shown_, true);
        // The fields' values are text too.
        self->store_ = std::make_unique<text_store>(self->shown_);
        connect(self->store_.get(), &text_store::completed, self, &pdf_component::text_completed);
        self->share_text();
        self->search_again_in_copy();
    });
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
    if (!structure_->is_open())
        return;
    if (links_.needs_request(page))
        structure_->request_page(page);
    else if (const page_annotations* annotations = links_.find(page))
        paint_notes(painter, *annotations, area, scale);
}

void pdf_component::follow_link_at(int page, QPointF point) {
    if (const page_link* link = links_.link_at(page, point))
        follow(link->action);
}

void pdf_component::follow_outline_entry(const QModelIndex& index) {
    if (const auto item = outline_panel::item_of(index))
        structure_->request_outline_action(*item);
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
    history_.record_jump(from, place_now());
    update_history_buttons();
    update_toolbar();
    view_->setFocus();
}

void pdf_component::go_back() {
    if (const auto place = history_.back(place_now()))
        show_place(*place);
    update_history_buttons();
}

void pdf_component::go_forward() {
    if (const auto place = history_.forward(place_now()))
        show_place(*place);
    update_history_buttons();
}

void pdf_component::update_history_buttons() {
    if (!toolbar_.back)
        return;
    toolbar_.back->setEnabled(history_.can_go_back());
    toolbar_.forward->setEnabled(history_.can_go_forward());
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
