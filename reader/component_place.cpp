// The place a document was asked to open at: a page, a named destination, a
// word to search from there. A place the document does not have (a page out of
// range, an unknown name) opens it at its first page, without a message: the
// host may be newer than its documents.
#include "pdf_component.h"

#include <QLineEdit>

namespace krv {

void pdf_component::finish_place(const std::optional<jump_target>& destination,
                                 const document_place& place) {
    const int count = view_->page_count();
    if (destination && destination->page_index >= 0 && destination->page_index < count) {
        if (destination->y)
            view_->go_to_point(destination->page_index,
                               QPointF(destination->x.value_or(0), *destination->y));
        else
            view_->go_to_page(destination->page_index);
    } else if (place.page >= 1 && place.page <= count) {
        view_->go_to_page(place.page - 1);
    }
    update_toolbar();
    if (place.search.isEmpty())
        return;
    open_search();
    search_bar_.field->setText(place.search);
    next_first_hit_ = {place.occurrence, false};
    find(place.search);
}

} // namespace krv
