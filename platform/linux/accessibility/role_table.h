// The one table from AT-SPI roles to the role names the system speaks.
#pragma once

#include <atspi/atspi-constants.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace tandrel::desktop {

// The role name for an AT-SPI role; "AXUnknown" for roles the table leaves out.
std::string_view roleNameForAtspiRole(AtspiRole role);

// Controls act on a click; whatever lies inside them (a label, an icon, a box) is
// part of the control, so a hold on a button's label is a hold on the button.
bool isControlRole(AtspiRole role);

// How far above the hit element a control is looked for: enough for GTK's
// button > box > label, not so far that a label in a row borrows an unrelated ancestor.
constexpr std::size_t kControlSearchDepth = 3;

// Given the roles from the hit element upwards (element first, then parent, ...),
// the index of the element that answers for the hit: the nearest control within
// kControlSearchDepth levels, unless a row, list, window or similar container is met
// first; otherwise 0, the element itself.
std::size_t answeringIndex(std::span<const AtspiRole> rolesFromElementUp);

}  // namespace tandrel::desktop
