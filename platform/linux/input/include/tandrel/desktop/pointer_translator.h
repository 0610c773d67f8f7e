#pragma once

// The display-free half of the monitor: from the bytes of a recorded core pointer event to a
// MouseEvent, keeping the button state and the click run. Kept apart so it can be checked on
// hand-made events.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "tandrel/desktop/click_counter.h"
#include "tandrel/desktop/mouse_event.h"
#include "tandrel/desktop/x_modifiers.h"

namespace tandrel::desktop {

// A core ButtonPress (4), ButtonRelease (5) or MotionNotify (6) event, fields in host order.
struct CorePointerEvent {
  int type = 0;
  unsigned detail = 0;  // the button, for a press or release
  int root_x = 0;
  int root_y = 0;
  unsigned state = 0;
  std::uint32_t time = 0;
};

// Decodes a 32-byte core event as the server sent it; `swapped` when the server's byte order
// differs from ours. nullopt for anything but the three pointer events or a short buffer.
std::optional<CorePointerEvent> decodeCorePointerEvent(const unsigned char* bytes,
                                                       std::size_t length, bool swapped);

class PointerTranslator {
 public:
  explicit PointerTranslator(ModifierMasks masks = {}) : masks_(masks) {}

  // nullopt for events that are not the daemon's business: wheel buttons, motion with no
  // button down.
  std::optional<MouseEvent> translate(const CorePointerEvent& event);

  ClickCounter& clicks() { return clicks_; }
  void setModifierMasks(const ModifierMasks& masks) { masks_ = masks; }

  // Bit (n - 1) for X button n, wheel buttons excluded.
  std::uint32_t buttonsDown() const { return down_; }

 private:
  ModifierMasks masks_;
  ClickCounter clicks_;
  std::uint32_t down_ = 0;
};

}  // namespace tandrel::desktop
