// How a widget whose class says nothing of its role (a window, a bar of tools)
// tells assistive tools what it is, and how a label tells them what it shows: a dynamic property
// holding a QAccessible::Role, read by the program's accessibility factory
// (platform/accessibility). Layers that cannot see the factory set the property directly.
#pragma once

namespace krv {

inline constexpr char accessible_role_property[] = "krv_accessible_role";

/// Set (true) on a label whose text is a value (a count, a zoom, a legend): its
/// accessible name says what it is, its description what it shows now.
inline constexpr char shows_value_property[] = "krv_shows_value";

} // namespace krv
