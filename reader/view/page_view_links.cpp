// The links of the page being read by keyboard: Tab and Shift+Tab go through
// them in the document's order, a ring shows round the one reached, Enter
// follows it, and screen readers hear where it leads.
#include "page_view.h"

#include <optional>

namespace krv {

namespace {

// Where Tab (or Shift+Tab) goes from link `current` (-1: the pages themselves)
// among `count`: another link, -1 for the pages themselves, nothing when the
// focus leaves the pages.
std::optional<int> next_link(int count, int current, bool forward) {
    if (forward)
        return current + 1 < count ? std::optional<int>(current + 1) : std::nullopt;
    return current >= 0 ? std::optional<int>(current - 1) : std::nullopt;
}

} // namespace

void page_view::set_link_source(std::function<std::vector<page_link_area>(int)> source) {
    link_source_ = std::move(source);
    focus_link(-1);
}

std::vector<page_link_area> page_view::links_here() const {
    const int page = current_page();
    return link_source_ && document_ && page >= 0 ? link_source_(page)
                                                  : std::vector<page_link_area>{};
}

bool page_view::focus_next_link(bool forward) {
    const std::vector<page_link_area> links = links_here();
    const int current = link_.page == current_page() ? link_.index : -1;
    const std::optional<int> next = next_link(static_cast<int>(links.size()), current, forward);
    focus_link(next.value_or(-1));
    if (next && *next >= 0)
        ensure_visible(link_.page, links[static_cast<std::size_t>(*next)].rect);
    return next.has_value();
}

std::optional<page_link_area> page_view::focused_link_area() const {
    if (link_.page != current_page() || link_.index < 0)
        return std::nullopt;
    std::vector<page_link_area> links = links_here();
    if (link_.index >= static_cast<int>(links.size()))
        return std::nullopt;
    return std::move(links[static_cast<std::size_t>(link_.index)]);
}

bool page_view::follow_focused_link() {
    const std::optional<page_link_area> link = focused_link_area();
    if (link)
        emit spot_clicked(link_.page, link->rect.center());
    return link.has_value();
}

QString page_view::focused_link_target() const {
    const std::optional<page_link_area> link = focused_link_area();
    return link ? link->target : QString();
}

void page_view::focus_link(int index) {
    const focused_link now{index >= 0 ? current_page() : -1, index};
    if (now.page == link_.page && now.index == link_.index)
        return;
    link_ = now;
    if (index >= 0)
        focus_from_mouse_ = false; // the keyboard is in use: its ring shows
    // What a screen reader says of the pages once the focus is on a link.
    const QString target = focused_link_target();
    setAccessibleDescription(target.isEmpty() ? QString()
                                              : QStringLiteral("Lien\u00a0: %1").arg(target));
    viewport()->update();
}

} // namespace krv
