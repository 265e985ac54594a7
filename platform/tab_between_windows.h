// Tab and Shift+Tab as if the program's windows were one: past the last focus
// stop of a window, the next window comes to the front with its first stop
// focused; going back past the first stop, the window before with its last.
#pragma once

#include <QWidget>

#include <vector>

namespace krv {

/// The widgets Tab stops at in `window`, in the order it goes through them.
std::vector<QWidget*> tab_stops(QWidget* window);

/// Joins the windows' Tab orders into one ring, in the order given; the ring
/// lives as long as the first window.
void join_tab_orders(const std::vector<QWidget*>& windows);

} // namespace krv
