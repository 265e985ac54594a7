// How a widget whose class says nothing of its role (a window, a bar of tools)
// tells assistive tools what it is: a dynamic property holding a QAccessible::Role,
// read by the program's accessibility factory (platform/accessibility). Layers
// that cannot see the factory set the property directly.
#pragma once

namespace krv {

inline constexpr char accessible_role_property[] = "krv_accessible_role";

} // namespace krv
