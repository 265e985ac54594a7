#include "history.h"

namespace krv {

void navigation_history::record_jump(const reading_place& from, const reading_place& to) {
    if (places_.empty())
        places_.push_back(from);
    else {
        places_.resize(current_ + 1); // a new path: forward places go
        places_.back() = from;        // where the reader had scrolled to, not where it landed
    }
    places_.push_back(to);
    if (places_.size() > max_places)
        places_.erase(places_.begin());
    current_ = places_.size() - 1;
}

std::optional<reading_place> navigation_history::back(const reading_place& now) {
    if (!can_go_back())
        return std::nullopt;
    places_[current_] = now;
    return places_[--current_];
}

std::optional<reading_place> navigation_history::forward(const reading_place& now) {
    if (!can_go_forward())
        return std::nullopt;
    places_[current_] = now;
    return places_[++current_];
}

void navigation_history::clear() {
    places_.clear();
    current_ = 0;
}

} // namespace krv
