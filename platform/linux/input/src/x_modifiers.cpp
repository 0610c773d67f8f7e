#include "tandrel/desktop/x_modifiers.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "tandrel/desktop/mouse_event.h"

namespace tandrel::desktop {

ModifierMasks readModifierMasks(Display* display) {
  ModifierMasks masks{0, 0, 0};
  XModifierKeymap* map = XGetModifierMapping(display);
  if (map == nullptr) return ModifierMasks{};
  // Rows 3..7 are Mod1..Mod5; Shift, Lock and Control have fixed masks.
  for (int row = Mod1MapIndex; row <= Mod5MapIndex; ++row) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      const KeyCode code = map->modifiermap[row * map->max_keypermod + k];
      if (code == 0) continue;
      const KeySym sym = XkbKeycodeToKeysym(display, code, 0, 0);
      const unsigned mask = 1u << row;
      switch (sym) {
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
          masks.option |= mask;
          break;
        case XK_Super_L:
        case XK_Super_R:
          masks.command |= mask;
          break;
        case XK_Num_Lock:
          masks.num_lock |= mask;
          break;
        default:
          break;
      }
    }
  }
  XFreeModifiermap(map);
  return masks;
}

std::uint32_t modifierFlags(unsigned x_state, const ModifierMasks& masks) {
  // A map can put Num Lock on the same modifier as another key; Num Lock wins, as it is the one
  // that stays latched and would otherwise taint every click.
  const unsigned state = x_state & ~masks.num_lock;
  std::uint32_t flags = 0;
  if (state & ShiftMask) flags |= kModifierShift;
  if (state & ControlMask) flags |= kModifierControl;
  if (state & LockMask) flags |= kModifierCapsLock;
  if (state & masks.option) flags |= kModifierOption;
  if (state & masks.command) flags |= kModifierCommand;
  return flags;
}

}  // namespace tandrel::desktop
