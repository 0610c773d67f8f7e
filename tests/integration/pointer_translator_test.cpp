// The display-free half of the monitor: decoding recorded bytes, the button state, click runs
// and modifier flags.

// gtest first: X.h defines None, which gtest uses as a name.
#include <gtest/gtest.h>
// clang-format off
#include <X11/X.h>
// clang-format on

#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "tandrel/desktop/pointer_translator.h"

namespace tandrel::desktop {
namespace {

std::array<unsigned char, 32> wireEvent(std::uint8_t type, std::uint8_t detail, std::uint32_t time,
                                        std::int16_t x, std::int16_t y, std::uint16_t state,
                                        bool big_endian) {
  std::array<unsigned char, 32> b{};
  auto put = [&](std::size_t at, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) {
      b[at + i] = static_cast<unsigned char>(v >> (big_endian ? 8 * (size - 1 - i) : 8 * i));
    }
  };
  b[0] = type;
  b[1] = detail;
  put(4, time, 4);
  put(20, static_cast<std::uint16_t>(x), 2);
  put(22, static_cast<std::uint16_t>(y), 2);
  put(28, state, 2);
  return b;
}

constexpr bool kHostIsBigEndian = std::endian::native == std::endian::big;

TEST(DecodeCorePointerEvent, ReadsFieldsInEitherByteOrder) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian server" : "little-endian server");
    const auto bytes = wireEvent(ButtonRelease, 3, 0x01020304, -12, 1023, 0x0104, big);
    const auto event = decodeCorePointerEvent(bytes.data(), bytes.size(), big != kHostIsBigEndian);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->type, ButtonRelease);
    EXPECT_EQ(event->detail, 3u);
    EXPECT_EQ(event->time, 0x01020304u);
    EXPECT_EQ(event->root_x, -12);
    EXPECT_EQ(event->root_y, 1023);
    EXPECT_EQ(event->state, 0x0104u);
  }
}

TEST(DecodeCorePointerEvent, IgnoresOtherEventsAndShortBuffers) {
  const auto key = wireEvent(KeyPress, 38, 1, 0, 0, 0, kHostIsBigEndian);
  EXPECT_FALSE(decodeCorePointerEvent(key.data(), key.size(), false));
  const auto press = wireEvent(ButtonPress, 1, 1, 0, 0, 0, kHostIsBigEndian);
  EXPECT_FALSE(decodeCorePointerEvent(press.data(), 31, false));
  EXPECT_FALSE(decodeCorePointerEvent(nullptr, 32, false));
  // SendEvent's flag does not hide a pointer event.
  auto sent = press;
  sent[0] |= 0x80;
  EXPECT_TRUE(decodeCorePointerEvent(sent.data(), sent.size(), false));
}

CorePointerEvent core(int type, unsigned detail, unsigned state, std::uint32_t time = 1000,
                      int x = 10, int y = 10) {
  return {type, detail, x, y, state, time};
}

TEST(PointerTranslator, DropsTheWheelAndButtonlessMotion) {
  PointerTranslator t;
  for (unsigned wheel = 4; wheel <= 7; ++wheel) {
    EXPECT_FALSE(t.translate(core(ButtonPress, wheel, 0)));
    EXPECT_FALSE(t.translate(core(ButtonRelease, wheel, 0)));
  }
  EXPECT_FALSE(t.translate(core(MotionNotify, 0, 0)));
  EXPECT_EQ(t.buttonsDown(), 0u);
  // A wheel turn during a drag leaves the held button alone.
  ASSERT_TRUE(t.translate(core(ButtonPress, 1, 0)));
  EXPECT_FALSE(t.translate(core(ButtonPress, 4, Button1Mask)));
  EXPECT_FALSE(t.translate(core(ButtonRelease, 4, Button1Mask | Button4Mask)));
  EXPECT_EQ(t.buttonsDown(), 0b1u);
}

// Each step: an event in, what comes out, and the button state after it.
struct Step {
  int type;
  unsigned detail;
  unsigned state;
  bool reported;
  MouseEventKind kind;
  unsigned button;
  std::uint32_t down_after;
};

struct TrackCase {
  const char* name;
  std::vector<Step> steps;
};

class PointerTracking : public ::testing::TestWithParam<TrackCase> {};

TEST_P(PointerTracking, FollowsTheButtons) {
  PointerTranslator t;
  int i = 0;
  for (const Step& s : GetParam().steps) {
    SCOPED_TRACE("step " + std::to_string(i++));
    const auto out = t.translate(core(s.type, s.detail, s.state));
    ASSERT_EQ(out.has_value(), s.reported);
    if (out) {
      EXPECT_EQ(out->kind, s.kind);
      EXPECT_EQ(out->button, s.button);
      EXPECT_EQ(out->x_state, s.state);
    }
    EXPECT_EQ(t.buttonsDown(), s.down_after);
  }
}

using K = MouseEventKind;
INSTANTIATE_TEST_SUITE_P(
    Cases, PointerTracking,
    ::testing::Values(TrackCase{"PrimaryClickWithDrag",
                                {{ButtonPress, 1, 0, true, K::press, 1, 0b1},
                                 {MotionNotify, 0, Button1Mask, true, K::drag, 1, 0b1},
                                 {ButtonRelease, 1, Button1Mask, true, K::release, 1, 0}}},
                      TrackCase{
                          "DragPrefersPrimaryThenSecondary",
                          {{ButtonPress, 2, 0, true, K::press, 2, 0b010},
                           {MotionNotify, 0, Button2Mask, true, K::drag, 2, 0b010},
                           {ButtonPress, 3, Button2Mask, true, K::press, 3, 0b110},
                           {MotionNotify, 0, Button2Mask | Button3Mask, true, K::drag, 3, 0b110},
                           {ButtonPress, 1, Button2Mask | Button3Mask, true, K::press, 1, 0b111},
                           {MotionNotify, 0, Button1Mask | Button2Mask | Button3Mask, true, K::drag,
                            1, 0b111}}},
                      // The state is the server's word: a press seen before the monitor started
                      // still counts, and one it missed the release of is dropped.
                      TrackCase{"StateOverridesMissedEvents",
                                {{ButtonPress, 1, Button3Mask, true, K::press, 1, 0b101},
                                 {MotionNotify, 0, Button1Mask, true, K::drag, 1, 0b001},
                                 {MotionNotify, 0, 0, false, K::drag, 0, 0}}},
                      TrackCase{"ButtonsPastTheWheelAreTrackedFromEvents",
                                {{ButtonPress, 8, 0, true, K::press, 8, 1u << 7},
                                 {MotionNotify, 0, 0, true, K::drag, 8, 1u << 7},
                                 {ButtonRelease, 8, 0, true, K::release, 8, 0},
                                 {MotionNotify, 0, 0, false, K::drag, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PointerTranslator, ReleaseAndDragCarryTheClickCountOfTheirPress) {
  PointerTranslator t;
  ASSERT_EQ(t.translate(core(ButtonPress, 1, 0, 1000))->click_count, 1);
  ASSERT_EQ(t.translate(core(ButtonRelease, 1, Button1Mask, 1050))->click_count, 1);
  ASSERT_EQ(t.translate(core(ButtonPress, 1, 0, 1100))->click_count, 2);
  EXPECT_EQ(t.translate(core(MotionNotify, 0, Button1Mask, 1150, 30, 30))->click_count, 2);
  EXPECT_EQ(t.translate(core(ButtonRelease, 1, Button1Mask, 1200, 30, 30))->click_count, 2);
}

struct ClickCase {
  const char* name;
  int interval_ms;
  struct Press {
    unsigned button;
    std::uint32_t time;
    float x, y;
  };
  std::vector<Press> presses;
  std::vector<int> counts;
};

class ClickCounting : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ClickCounting, CountsRuns) {
  ClickCounter counter;
  counter.setInterval(std::chrono::milliseconds(GetParam().interval_ms));
  std::vector<int> counts;
  for (const auto& p : GetParam().presses)
    counts.push_back(counter.press(p.button, p.time, p.x, p.y));
  EXPECT_EQ(counts, GetParam().counts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClickCounting,
    ::testing::Values(
        ClickCase{"Double", 400, {{1, 1000, 5, 5}, {1, 1399, 5, 5}}, {1, 2}},
        ClickCase{"IntervalIsExclusive", 400, {{1, 1000, 5, 5}, {1, 1400, 5, 5}}, {1, 1}},
        ClickCase{"CountsOnPastThree",
                  400,
                  {{1, 0, 5, 5}, {1, 300, 5, 5}, {1, 600, 5, 5}, {1, 900, 5, 5}},
                  {1, 2, 3, 4}},
        // Each press is timed from the one before, not from the first.
        ClickCase{"IntervalFromThePreviousPress",
                  400,
                  {{1, 0, 5, 5}, {1, 350, 5, 5}, {1, 700, 5, 5}},
                  {1, 2, 3}},
        ClickCase{"DistanceIsInclusivePerAxis",
                  400,
                  {{1, 0, 100, 100}, {1, 10, 105, 95}, {1, 20, 94, 100}},
                  {1, 2, 1}},
        // Distance is measured from the run's first press, so a creeping run ends.
        ClickCase{"DistanceFromTheFirstPress",
                  400,
                  {{1, 0, 100, 100}, {1, 10, 104, 100}, {1, 20, 108, 100}},
                  {1, 2, 1}},
        ClickCase{"OtherButtonStartsARun",
                  400,
                  {{1, 0, 5, 5}, {3, 10, 5, 5}, {3, 20, 5, 5}, {1, 30, 5, 5}},
                  {1, 1, 2, 1}},
        ClickCase{"AcrossTheServerClockWrap",
                  400,
                  {{1, 0xffffff00u, 5, 5}, {1, 0x00000010u, 5, 5}},
                  {1, 2}},
        ClickCase{"ClockGoingBackwardsStartsARun", 400, {{1, 5000, 5, 5}, {1, 4990, 5, 5}}, {1, 1}},
        ClickCase{"ZeroIntervalNeverDoubles", 0, {{1, 0, 5, 5}, {1, 0, 5, 5}}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModifierFlags, MapsTheStateWord) {
  const ModifierMasks usual;  // Alt on Mod1, Num Lock on Mod2, Super on Mod4
  const ModifierMasks odd{Mod3Mask, Mod5Mask, Mod1Mask};
  struct Case {
    const ModifierMasks& masks;
    unsigned state;
    std::uint32_t flags;
  } cases[] = {
      {usual, 0, 0},
      {usual, ShiftMask, kModifierShift},
      {usual, ControlMask, kModifierControl},
      {usual, LockMask, kModifierCapsLock},
      {usual, Mod1Mask, kModifierOption},
      {usual, Mod4Mask, kModifierCommand},
      {usual, Mod2Mask, 0},
      {usual, Mod2Mask | ShiftMask | Button1Mask, kModifierShift},
      {usual, ShiftMask | ControlMask | Mod1Mask | Mod4Mask | LockMask,
       kModifierShift | kModifierControl | kModifierOption | kModifierCommand | kModifierCapsLock},
      {odd, Mod1Mask, 0},
      {odd, Mod3Mask, kModifierOption},
      {odd, Mod5Mask, kModifierCommand},
      {odd, Mod4Mask, 0},
      // Num Lock sharing a modifier with Alt hides Alt rather than latching it on.
      {ModifierMasks{Mod1Mask, Mod4Mask, Mod1Mask}, Mod1Mask, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(modifierFlags(c.state, c.masks), c.flags) << "state 0x" << std::hex << c.state;
  }
}

}  // namespace
}  // namespace tandrel::desktop
