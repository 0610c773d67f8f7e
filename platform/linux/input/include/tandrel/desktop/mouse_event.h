#pragma once

// What the desktop's mouse monitor reports: a plain value, free of any X or GLib type.

#include <cstdint>

namespace tandrel::desktop {

enum class MouseEventKind : std::uint8_t { press, release, drag };

// Modifier keys, named as the daemon knows them: Alt is "option", Super is "command".
// Num Lock never counts.
enum ModifierFlag : std::uint32_t {
  kModifierShift = 1u << 0,
  kModifierControl = 1u << 1,
  kModifierOption = 1u << 2,
  kModifierCommand = 1u << 3,
  kModifierCapsLock = 1u << 4,
};

// X button numbers of the three buttons the daemon speaks of.
inline constexpr unsigned kPrimaryButton = 1;
inline constexpr unsigned kTertiaryButton = 2;
inline constexpr unsigned kSecondaryButton = 3;

struct MouseEvent {
  MouseEventKind kind = MouseEventKind::press;
  float x = 0;  // root coordinates
  float y = 0;
  // X button number. A release carries the released button; a drag the button it drags with
  // (primary before secondary before the others, when several are held).
  unsigned button = 0;
  // Position in a run of quick presses (1 single, 2 double...). A release and a drag carry the
  // count of the press they follow.
  int click_count = 0;
  std::uint32_t modifiers = 0;  // ModifierFlag bits
  unsigned x_state = 0;    // the core event's state: modifier and button masks before the event
  std::uint32_t time = 0;  // X server time, ms
};

}  // namespace tandrel::desktop
