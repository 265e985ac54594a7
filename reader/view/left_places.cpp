#include "left_places.h"

#include <algorithm>

namespace krv {

void left_places::remember(const QString& path, const left_place& place) {
    std::erase_if(places_, [&](const auto& known) { return known.first == path; });
    places_.emplace_front(path, place);
    if (places_.size() > kept)
        places_.pop_back();
}

std::optional<left_place> left_places::find(const QString& path) const {
    const auto found = std::find_if(places_.begin(), places_.end(),
                                    [&](const auto& known) { return known.first == path; });
    if (found == places_.end())
        return std::nullopt;
    return found->second;
}

left_place place_left_in(const page_view& view) {
    const auto [page, point] = view.top_place();
    return {page, point, view.mode(), view.zoom()};
}

void go_back_to(page_view& view, const left_place& place) {
    // A document opens fitted to the width: another zoom is the reader's own choice.
    if (place.mode == page_view::zoom_mode::factor)
        view.set_zoom(place.zoom);
    else if (place.mode != view.mode())
        view.set_zoom_mode(place.mode);
    view.go_to_point(place.page, place.point);
}

} // namespace krv
