// The monitor on a real X server, driven by the emulated user's mouse.

#include "tandrel/desktop/x_record_monitor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/desktop.h"
#include "virtual_user.h"

namespace tandrel::desktop {
namespace {

using testing::displayName;
using testing::MainContext;
using testing::pumpUntil;
using xuser::VirtualUser;

struct Seen {
  MouseEvent event;
  std::uint32_t buttons_down;  // the monitor's button state as the event was delivered
};

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(displayName().empty()) << "run inside tools/headless-desktop";
    std::string error;
    user_ = VirtualUser::open(displayName(), &error);
    ASSERT_TRUE(user_) << error;
    user_->move(20, 20);
    user_->sync();
    startMonitor(XRecordMonitor::Options{});
  }

  void startMonitor(XRecordMonitor::Options options) {
    options.context = context_.get();
    MonitorError error = MonitorError::none;
    monitor_ = XRecordMonitor::create(
        options,
        [this](const MouseEvent& event) {
          seen_.push_back({event, monitor_->buttonsDown()});
        },
        &error);
    ASSERT_TRUE(monitor_) << describe(error);
  }

  // Waits until the monitor has delivered `count` events in all.
  bool waitForEvents(std::size_t count) {
    user_->sync();
    return pumpUntil(context_.get(), [&] { return seen_.size() >= count; });
  }

  MainContext context_;
  std::unique_ptr<VirtualUser> user_;
  std::unique_ptr<XRecordMonitor> monitor_;
  std::vector<Seen> seen_;
};

TEST_F(MonitorTest, SeesPressDragAndReleaseWithExactRootCoordinates) {
  user_->move(200, 300);
  user_->press(1);
  user_->moveBy(5, 0);
  user_->moveBy(5, 0);
  user_->moveBy(0, -7);
  user_->release(1);
  ASSERT_TRUE(waitForEvents(5));

  struct Expected {
    MouseEventKind kind;
    float x, y;
    unsigned state_buttons;  // button masks of the event's state: before the event
    std::uint32_t buttons_down;
  };
  const Expected expected[] = {
      {MouseEventKind::press, 200, 300, 0, 0b1},     {MouseEventKind::drag, 205, 300, 0x100, 0b1},
      {MouseEventKind::drag, 210, 300, 0x100, 0b1},  {MouseEventKind::drag, 210, 293, 0x100, 0b1},
      {MouseEventKind::release, 210, 293, 0x100, 0},
  };
  ASSERT_EQ(seen_.size(), std::size(expected));
  for (std::size_t i = 0; i < seen_.size(); ++i) {
    SCOPED_TRACE("event " + std::to_string(i));
    const MouseEvent& e = seen_[i].event;
    EXPECT_EQ(e.kind, expected[i].kind);
    EXPECT_EQ(e.x, expected[i].x);
    EXPECT_EQ(e.y, expected[i].y);
    EXPECT_EQ(e.button, kPrimaryButton);
    EXPECT_EQ(e.click_count, 1);
    EXPECT_EQ(e.modifiers, 0u);
    EXPECT_EQ(e.x_state & 0x1f00, expected[i].state_buttons);
    EXPECT_EQ(seen_[i].buttons_down, expected[i].buttons_down);
    if (i > 0) {
      EXPECT_GE(e.time, seen_[i - 1].event.time);
    }
  }
  EXPECT_FALSE(monitor_->isButtonDown(1));
}

TEST_F(MonitorTest, TracksEveryHeldButtonAndDragsWithThePrimaryFirst) {
  user_->move(400, 400);
  user_->press(3);
  user_->moveBy(1, 0);
  user_->press(1);
  user_->moveBy(1, 0);
  user_->release(3);
  user_->release(1);
  ASSERT_TRUE(waitForEvents(6));
  ASSERT_EQ(seen_.size(), 6u);
  EXPECT_EQ(seen_[1].event.kind, MouseEventKind::drag);
  EXPECT_EQ(seen_[1].event.button, kSecondaryButton);
  EXPECT_EQ(seen_[2].buttons_down, 0b101u);
  EXPECT_EQ(seen_[3].event.kind, MouseEventKind::drag);
  EXPECT_EQ(seen_[3].event.button, kPrimaryButton);
  EXPECT_EQ(seen_[4].event.button, kSecondaryButton);
  EXPECT_EQ(seen_[4].buttons_down, 0b001u);
  EXPECT_EQ(seen_[5].buttons_down, 0u);
}

// A script for the emulated user, and the click counts of the presses it makes.
struct ClickCase {
  const char* name;
  int interval_ms;
  std::vector<std::pair<unsigned, int>> presses;  // button, x offset from the first press
  std::vector<int> counts;
};

class ClickCountTest : public MonitorTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickCountTest, CountsQuickPressesLikeGtk) {
  const ClickCase& c = GetParam();
  monitor_->setDoubleClickInterval(std::chrono::milliseconds(c.interval_ms));
  for (auto [button, dx] : c.presses) {
    user_->move(300 + dx, 300);
    user_->press(button);
    user_->release(button);
  }
  ASSERT_TRUE(waitForEvents(2 * c.presses.size()));
  std::vector<int> counts;
  for (std::size_t i = 0; i < seen_.size(); i += 2) {
    ASSERT_EQ(seen_[i].event.kind, MouseEventKind::press);
    ASSERT_EQ(seen_[i + 1].event.kind, MouseEventKind::release);
    // A release repeats the count of its press.
    EXPECT_EQ(seen_[i + 1].event.click_count, seen_[i].event.click_count);
    counts.push_back(seen_[i].event.click_count);
  }
  EXPECT_EQ(counts, c.counts);
}

INSTANTIATE_TEST_SUITE_P(
    Desktop, ClickCountTest,
    ::testing::Values(ClickCase{"QuickSecondPress", 400, {{1, 0}, {1, 0}}, {1, 2}},
                      ClickCase{"QuickThirdPress", 400, {{1, 0}, {1, 2}, {1, 4}}, {1, 2, 3}},
                      ClickCase{"TooFarForADouble", 400, {{1, 0}, {1, 6}}, {1, 1}},
                      ClickCase{"OtherButton", 400, {{1, 0}, {3, 0}, {3, 0}}, {1, 1, 2}},
                      ClickCase{"IntervalPassed", 0, {{1, 0}, {1, 0}}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MonitorTest, WheelAndButtonlessMotionAreNotReported) {
  user_->move(500, 500);
  user_->moveBy(3, 3);
  for (unsigned wheel : {4u, 5u, 6u, 7u}) {
    user_->press(wheel);
    user_->release(wheel);
  }
  // A marker: anything reported before it would have come from the wheel or the motion.
  user_->press(2);
  ASSERT_TRUE(waitForEvents(1));
  EXPECT_EQ(seen_[0].event.kind, MouseEventKind::press);
  EXPECT_EQ(seen_[0].event.button, kTertiaryButton);
  EXPECT_EQ(seen_[0].event.click_count, 1);
  EXPECT_EQ(seen_[0].buttons_down, 0b10u);
  user_->release(2);
}

struct ModifierCase {
  const char* keysym;
  bool latches;  // a lock key: toggled on by a tap, not held
  std::uint32_t flags;
};

class ModifierTest : public MonitorTest, public ::testing::WithParamInterface<ModifierCase> {};

TEST_P(ModifierTest, ReportsTheHeldModifier) {
  const ModifierCase& c = GetParam();
  ASSERT_TRUE(user_->keyDown(c.keysym)) << c.keysym;
  if (c.latches) user_->keyUp(c.keysym);
  user_->press(1);
  user_->release(1);
  // Leave the keyboard as it was for the next case.
  if (c.latches) user_->keyDown(c.keysym);
  user_->keyUp(c.keysym);
  ASSERT_TRUE(waitForEvents(2));
  EXPECT_EQ(seen_[0].event.modifiers, c.flags);
  EXPECT_EQ(seen_[1].event.modifiers, c.flags);
}

INSTANTIATE_TEST_SUITE_P(Desktop, ModifierTest,
                         ::testing::Values(ModifierCase{"Shift_L", false, kModifierShift},
                                           ModifierCase{"Control_L", false, kModifierControl},
                                           ModifierCase{"Alt_L", false, kModifierOption},
                                           ModifierCase{"Super_L", false, kModifierCommand},
                                           ModifierCase{"Caps_Lock", true, kModifierCapsLock},
                                           ModifierCase{"Num_Lock", true, 0}),
                         [](const auto& info) { return std::string(info.param.keysym); });

TEST(MonitorCreation, FailsWithNoDisplay) {
  MonitorError error = MonitorError::none;
  XRecordMonitor::Options options;
  options.display_name = ":4093";
  EXPECT_FALSE(XRecordMonitor::create(
      options, [](const MouseEvent&) {}, &error));
  EXPECT_EQ(error, MonitorError::cannot_open_display);
}

// A server of its own, for tests that take it away or start it without RECORD. It prints its
// display number on standard output.
std::string startPrivateServer(testing::ChildProcess& server) {
  if (!server.started()) return "";
  auto number = server.readLine(std::chrono::seconds(10));
  return number ? ":" + *number : "";
}

TEST(MonitorCreation, FailsOnAServerWithoutRecord) {
  testing::ChildProcess server({"Xvfb", "-displayfd", "1", "-extension", "RECORD", "-nolisten",
                                "tcp", "-screen", "0", "320x240x24"});
  XRecordMonitor::Options options;
  options.display_name = startPrivateServer(server);
  ASSERT_FALSE(options.display_name.empty()) << "Xvfb did not start";
  MonitorError error = MonitorError::none;
  EXPECT_FALSE(XRecordMonitor::create(
      options, [](const MouseEvent&) {}, &error));
  EXPECT_EQ(error, MonitorError::no_record_extension);
}

}  // namespace
}  // namespace tandrel::desktop
