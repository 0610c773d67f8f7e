#include "tandrel/desktop/pointer_translator.h"

#include <X11/X.h>
#include <X11/Xproto.h>

#include <bit>
#include <cstddef>
#include <cstring>

namespace tandrel::desktop {

namespace {

constexpr std::uint32_t bitOf(unsigned button) {
  return button >= 1 && button <= 32 ? 1u << (button - 1) : 0;
}

bool isWheel(unsigned button) {
  return button >= 4 && button <= 7;
}

// Buttons 1-3 from the core state. Its masks stop at button 5, and 4 and 5 are the wheel.
std::uint32_t buttonsInState(unsigned state) {
  std::uint32_t down = 0;
  if (state & Button1Mask) down |= bitOf(1);
  if (state & Button2Mask) down |= bitOf(2);
  if (state & Button3Mask) down |= bitOf(3);
  return down;
}

// Buttons 8 and up, which only the events themselves tell about.
constexpr std::uint32_t kHighButtons = ~((1u << 7) - 1);

std::uint16_t read16(const unsigned char* p, bool swapped) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return swapped ? static_cast<std::uint16_t>((v >> 8) | (v << 8)) : v;
}

std::uint32_t read32(const unsigned char* p, bool swapped) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return swapped ? __builtin_bswap32(v) : v;
}

// The wire offsets read below, checked against the protocol header.
static_assert(offsetof(xEvent, u.keyButtonPointer.time) == 4);
static_assert(offsetof(xEvent, u.keyButtonPointer.rootX) == 20);
static_assert(offsetof(xEvent, u.keyButtonPointer.rootY) == 22);
static_assert(offsetof(xEvent, u.keyButtonPointer.state) == 28);

}  // namespace

std::optional<CorePointerEvent> decodeCorePointerEvent(const unsigned char* bytes,
                                                       std::size_t length, bool swapped) {
  if (bytes == nullptr || length < sz_xEvent) return std::nullopt;
  // Bit 7 of the type marks an event sent with SendEvent; RECORD passes device events on as the
  // server made them, but be tolerant.
  const int type = bytes[0] & 0x7f;
  if (type != ButtonPress && type != ButtonRelease && type != MotionNotify) return std::nullopt;
  CorePointerEvent event;
  event.type = type;
  event.detail = bytes[1];
  event.time = read32(bytes + 4, swapped);
  event.root_x = static_cast<std::int16_t>(read16(bytes + 20, swapped));
  event.root_y = static_cast<std::int16_t>(read16(bytes + 22, swapped));
  event.state = read16(bytes + 28, swapped);
  return event;
}

std::optional<MouseEvent> PointerTranslator::translate(const CorePointerEvent& event) {
  // The state is the one before the event, so the event's own button is added or taken away.
  const std::uint32_t before = buttonsInState(event.state) | (down_ & kHighButtons);
  MouseEvent out;
  out.x = static_cast<float>(event.root_x);
  out.y = static_cast<float>(event.root_y);
  out.x_state = event.state;
  out.time = event.time;
  out.modifiers = modifierFlags(event.state, masks_);

  switch (event.type) {
    case ButtonPress:
      if (isWheel(event.detail)) return std::nullopt;
      down_ = before | bitOf(event.detail);
      out.kind = MouseEventKind::press;
      out.button = event.detail;
      out.click_count = clicks_.press(event.detail, event.time, out.x, out.y);
      return out;
    case ButtonRelease:
      if (isWheel(event.detail)) return std::nullopt;
      down_ = before & ~bitOf(event.detail);
      out.kind = MouseEventKind::release;
      out.button = event.detail;
      out.click_count = clicks_.current();
      return out;
    case MotionNotify:
      down_ = before;
      if (down_ == 0) return std::nullopt;
      out.kind = MouseEventKind::drag;
      if (down_ & bitOf(kPrimaryButton)) {
        out.button = kPrimaryButton;
      } else if (down_ & bitOf(kSecondaryButton)) {
        out.button = kSecondaryButton;
      } else {
        out.button = static_cast<unsigned>(std::countr_zero(down_)) + 1;
      }
      out.click_count = clicks_.current();
      return out;
    default:
      return std::nullopt;
  }
}

}  // namespace tandrel::desktop
