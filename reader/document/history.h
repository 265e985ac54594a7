// The places links and outline entries took the reader to, to go back and forth
// between them as in a web browser (Alt+Left, Alt+Right, the mouse's side
// buttons, two toolbar buttons).
#pragma once

#include <QPointF>

#include <cstddef>
#include <optional>
#include <vector>

namespace krv {

/// A place in a document: a page and the point of it at the top of the view.
struct reading_place {
    int page = 0;
    QPointF point;
    bool operator==(const reading_place&) const = default;
};

class navigation_history {
public:
    /// A jump from `from` to `to`: what lay ahead is forgotten.
    void record_jump(const reading_place& from, const reading_place& to);
    /// Where Back goes, given where the reader is now (kept for Forward); nothing
    /// when there is no earlier place.
    std::optional<reading_place> back(const reading_place& now);
    std::optional<reading_place> forward(const reading_place& now);
    bool can_go_back() const { return current_ > 0; }
    bool can_go_forward() const { return current_ + 1 < places_.size(); }
    void clear();

    static constexpr std::size_t max_places = 200; ///< the oldest go first

private:
    std::vector<reading_place> places_;
    std::size_t current_ = 0; ///< meaningful when places_ is not empty
};

} // namespace krv
