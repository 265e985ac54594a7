// What assistive tools (screen readers, over AT-SPI) are told of the windows:
// windows and bars carry a role, picture buttons are buttons with a name and a
// "Press" action, and what is only decoration is left out.
#pragma once

#include <QAccessible>

class QLabel;
class QWidget;

namespace krv {

/// Installs the program's accessibility interfaces; call once the application exists.
void install_accessibility();

/// The role assistive tools give a window or a container (QAccessible::Window is
/// a frame, QAccessible::Dialog a dialog, QAccessible::ToolBar a tool bar). A
/// window is a frame until told otherwise; any other widget must be given its role
/// before its name or anything else that assistive tools would hear of.
void set_accessible_role(QWidget* widget, QAccessible::Role role);

/// A label whose text is a value: assistive tools hear its name and, as its
/// description, what it shows. Set before anything asks about it.
void set_shows_value(QLabel* label);

/// Leaves a control out of what assistive tools see: decoration, or a control
/// that nobody can see or reach.
void set_decorative(QWidget* widget);
bool is_decorative(const QWidget* widget);

} // namespace krv
