#pragma once

// From an X state word to the daemon's modifier flags. Which of Mod1..Mod5 stands for Alt,
// Super and Num Lock is the keyboard map's choice, so the masks are read from the server.

#include <cstdint>

struct _XDisplay;

namespace tandrel::desktop {

struct ModifierMasks {
  // The usual XKB layout: Alt on Mod1, Num Lock on Mod2, Super on Mod4.
  unsigned option = 1u << 3;
  unsigned command = 1u << 6;
  unsigned num_lock = 1u << 4;
};

// The masks of the server's current modifier map; 0 for a key the map does not hold.
ModifierMasks readModifierMasks(_XDisplay* display);

std::uint32_t modifierFlags(unsigned x_state, const ModifierMasks& masks);

}  // namespace tandrel::desktop
