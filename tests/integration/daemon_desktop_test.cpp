// The daemon as it ships, Tandrel.app, on a private headless desktop: the emulated user holds the
// mouse over the GTK sample application, and the application's log says which buttons reached it,
// where, with what state, and what its context menu did.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "support/daemon.h"
#include "support/desktop.h"
#include "support/sample_app.h"
#include "virtual_user.h"

namespace tandrel::testing {
namespace {

using namespace std::chrono_literals;
using xuser::VirtualUser;

// With no settings manager the double-click interval is 400 ms; the default hold is 1.2 times it.
constexpr int kDefaultDelayMs = 480;
// Long enough that a contextual click, were one due, has reached the application before the
// user lets go, even on a loaded machine.
constexpr auto kLongHold = 1500ms;

constexpr int kButton1Mask = 0x100;
constexpr int kButton3Mask = 0x400;

std::string at(Point p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}

struct DesktopOptions {
  bool assistive_access = true;
  // Written to the preference domain before the daemon starts; no file at all when absent.
  std::optional<float> popup_delay;
};

class DaemonTest : public ::testing::Test {
 protected:
  void start(const DesktopOptions& options = {}) {
    ASSERT_FALSE(displayName().empty()) << "run inside tools/headless-desktop";
    bus_ = std::make_unique<NotificationBus>();
    ASSERT_TRUE(bus_->connected());
    ASSERT_TRUE(setAssistiveAccess(bus_->connection(), options.assistive_access));
    if (options.popup_delay) writePreferences(options.popup_delay);
    app_ = std::make_unique<SampleApp>(SampleApp::Accessibility::on);
    ASSERT_TRUE(app_->ready());
    daemon_ = std::make_unique<Daemon>();
    ASSERT_TRUE(daemon_->started());
    ASSERT_TRUE(bus_->pingUntilPong()) << "the daemon never answered:\n" << daemonLog();
    std::string error;
    user_ = VirtualUser::open(displayName(), &error);
    ASSERT_TRUE(user_) << error;
  }

  void TearDown() override {
    // Never leave the emulated mouse's button down when a test fails half-way.
    if (user_) {
      user_->release(1);
      user_->sync();
    }
  }

  std::string daemonLog() {
    if (!daemon_) return "";
    daemon_->drain();
    return daemon_->logText();
  }

  // Presses the primary button at `p` and waits until the application has it.
  std::optional<AppLine> pressAt(Point p) {
    user_->move(p.x, p.y);
    user_->press(1);
    user_->sync();
    return app_->waitFor("press", {{"button", "1"}});
  }

  void release() {
    user_->release(1);
    user_->sync();
  }

  // The contextual click, if the daemon posts one within a generous bound.
  std::optional<AppLine> secondaryPress(std::chrono::milliseconds limit = 5s) {
    return app_->waitFor("press", {{"button", "3"}}, limit);
  }

  // Lets go after a hold that a contextual click could not miss, and waits until the
  // application has the release, so that everything posted during the hold is in its log.
  void holdAndRelease() {
    std::this_thread::sleep_for(kLongHold);
    release();
    ASSERT_TRUE(app_->waitFor("release", {{"button", "1"}}));
  }

  int secondaryPressCount() const {
    int count = 0;
    for (const auto& line : app_->history()) {
      count += line.kind == "press" && line.number("button") == 3;
    }
    return count;
  }

  // The daemon's release sequence: the secondary button up, then a primary click, all at the
  // press point whatever the pointer did in between. The secondary release itself may never
  // reach the application's widgets (its menu holds the pointer grab then), but the click's press
  // shows it: no button is down any more when it comes.
  void expectReleaseSequenceAt(Point p) {
    auto down = app_->waitFor("press", {{"button", "1"}});
    ASSERT_TRUE(down) << "no primary click after the user's release";
    EXPECT_EQ(down->fields.at("root"), at(p));
    EXPECT_EQ(down->number("state") & (kButton1Mask | kButton3Mask), 0) << down->text;
    auto up = app_->waitFor("release", {{"button", "1"}});
    ASSERT_TRUE(up) << "no primary release to end the click";
    EXPECT_EQ(up->fields.at("root"), at(p));
  }

  std::unique_ptr<NotificationBus> bus_;
  std::unique_ptr<SampleApp> app_;
  std::unique_ptr<Daemon> daemon_;
  std::unique_ptr<VirtualUser> user_;
};

TEST_F(DaemonTest, HoldOnRowOpensItsMenuWhilePrimaryIsHeld) {
  start();
  const Point row = app_->target("row1");
  auto primary = pressAt(row);
  ASSERT_TRUE(primary);
  auto secondary = secondaryPress();
  ASSERT_TRUE(secondary) << daemonLog();
  EXPECT_EQ(secondary->fields.at("widget"), "row");
  EXPECT_EQ(secondary->fields.at("root"), at(row));
  // Button 1 still down (Button1Mask) when the secondary press arrives.
  EXPECT_EQ(secondary->number("state") & kButton1Mask, kButton1Mask);
  EXPECT_GE(secondary->number("time") - primary->number("time"), kDefaultDelayMs);
  ASSERT_TRUE(app_->waitFor("menu-opened", {{"widget", "row"}}));
  release();
  expectReleaseSequenceAt(row);
  EXPECT_EQ(secondaryPressCount(), 1);
}

TEST_F(DaemonTest, DraggingOntoMenuItemAndLettingGoActivatesIt) {
  start();
  const Point row = app_->target("row1");
  ASSERT_TRUE(pressAt(row));
  ASSERT_TRUE(secondaryPress()) << daemonLog();
  ASSERT_TRUE(app_->waitFor("menu-opened"));
  // GTK places the menu's corner one pixel right of and below the pointer, and ignores a release
  // that comes within half a second of the popup: move right and down, in steps as a hand does,
  // onto the second item, and stay a moment.
  for (int step = 0; step < 3; ++step) {
    std::this_thread::sleep_for(100ms);
    user_->moveBy(8, 14);
    user_->sync();
  }
  std::this_thread::sleep_for(400ms);
  release();
  auto activated = app_->waitFor("menu-item-activated");
  ASSERT_TRUE(activated) << "the menu closed without activating an item";
  EXPECT_EQ(activated->fields.at("name"), "Rename");
  expectReleaseSequenceAt(row);
}

TEST_F(DaemonTest, DragOfFourPixelsStillOpensTheMenuAtThePressPoint) {
  start();
  const Point row = app_->target("row1");
  ASSERT_TRUE(pressAt(row));
  user_->moveBy(4, 0);
  user_->sync();
  auto secondary = secondaryPress();
  ASSERT_TRUE(secondary) << daemonLog();
  EXPECT_EQ(secondary->fields.at("root"), at(row));
  ASSERT_TRUE(app_->waitFor("menu-opened", {{"widget", "row"}}));
  release();
  expectReleaseSequenceAt(row);
}

// Holds that must not give a contextual click: the daemon posts nothing at all.
struct QuietCase {
  const char* name;
  const char* target;
  void (*gesture)(VirtualUser& user, SampleApp& app, Point p);
};

void PrintTo(const QuietCase& c, std::ostream* out) {
  *out << c.name;
}

void pressAndHold(VirtualUser& user, SampleApp& app, Point p) {
  user.move(p.x, p.y);
  user.press(1);
  user.sync();
  ASSERT_TRUE(app.waitFor("press", {{"button", "1"}}));
}

const QuietCase kQuietCases[] = {
    {"HoldOnPushButton", "button", pressAndHold},
    {"DragOfFivePixels", "row1",
     [](VirtualUser& user, SampleApp& app, Point p) {
       pressAndHold(user, app, p);
       user.moveBy(5, 0);
       user.sync();
     }},
    {"SecondPressOfDoubleClick", "row1",
     [](VirtualUser& user, SampleApp& app, Point p) {
       pressAndHold(user, app, p);
       user.release(1);
       user.sync();
       ASSERT_TRUE(app.waitFor("release", {{"button", "1"}}));
       user.press(1);
       user.sync();
       ASSERT_TRUE(app.waitFor("press", {{"button", "1"}}));
     }},
    {"PressWithShift", "row1",
     [](VirtualUser& user, SampleApp& app, Point p) {
       ASSERT_TRUE(user.keyDown("Shift_L"));
       pressAndHold(user, app, p);
     }},
};

class QuietHoldTest : public DaemonTest, public ::testing::WithParamInterface<QuietCase> {
 protected:
  void TearDown() override {
    if (user_) user_->keyUp("Shift_L");
    DaemonTest::TearDown();
  }
};

TEST_P(QuietHoldTest, PostsNothing) {
  start();
  const QuietCase& c = GetParam();
  c.gesture(*user_, *app_, app_->target(c.target));
  if (HasFatalFailure()) return;
  holdAndRelease();
  EXPECT_EQ(secondaryPressCount(), 0) << daemonLog();
  // Nor the release sequence: the last thing the application saw is the user's own release.
  EXPECT_EQ(app_->history().back().kind, "release");
}

INSTANTIATE_TEST_SUITE_P(Desktop, QuietHoldTest, ::testing::ValuesIn(kQuietCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DaemonTest, AssistiveAccessSwitchedOffPostsNothing) {
  start({.assistive_access = false, .popup_delay = std::nullopt});
  ASSERT_TRUE(pressAt(app_->target("row1")));
  holdAndRelease();
  EXPECT_EQ(secondaryPressCount(), 0) << daemonLog();
}

// The delay read from the preference domain at launch, checked on the application's own event
// times (X server milliseconds): never earlier than the delay, and clearly apart from the default.
struct DelayCase {
  const char* name;
  float stored;
  int effective_ms;
};

const DelayCase kDelayCases[] = {
    {"RaisedToATenth", 0.05f, 100},
    {"Short", 0.25f, 250},
    {"Long", 1.0f, 1000},
};

void PrintTo(const DelayCase& c, std::ostream* out) {
  *out << c.name << " (" << c.stored << " s)";
}

class StoredDelayTest : public DaemonTest, public ::testing::WithParamInterface<DelayCase> {};

// Scheduling slack allowed on top of the delay; much larger than the measured p99 of a few ms,
// still small enough to tell each case from the default delay.
constexpr int kSlackMs = 300;

TEST_P(StoredDelayTest, SecondaryPressComesAfterTheStoredDelay) {
  const DelayCase& c = GetParam();
  start({.assistive_access = true, .popup_delay = c.stored});
  auto primary = pressAt(app_->target("row1"));
  ASSERT_TRUE(primary);
  auto secondary = secondaryPress();
  ASSERT_TRUE(secondary) << daemonLog();
  const int elapsed = secondary->number("time") - primary->number("time");
  EXPECT_GE(elapsed, c.effective_ms);
  EXPECT_LT(elapsed, c.effective_ms + kSlackMs);
  release();
}

INSTANTIATE_TEST_SUITE_P(Desktop, StoredDelayTest, ::testing::ValuesIn(kDelayCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DaemonTest, UpdatePreferencesMakesTheNextHoldUseTheNewDelay) {
  start({.assistive_access = true, .popup_delay = 1.5f});
  writePreferences(0.2f);
  bus_->post("com.corvantix.tandrel.UpdatePreferences");
  ASSERT_TRUE(bus_->pingUntilPong());
  auto primary = pressAt(app_->target("row1"));
  ASSERT_TRUE(primary);
  auto secondary = secondaryPress();
  ASSERT_TRUE(secondary) << daemonLog();
  const int elapsed = secondary->number("time") - primary->number("time");
  EXPECT_GE(elapsed, 200);
  EXPECT_LT(elapsed, 200 + kSlackMs);
  release();
}

TEST_F(DaemonTest, PingIsAnsweredWithPong) {
  start();
  bus_->post("com.corvantix.tandrel.Ping");
  EXPECT_TRUE(bus_->waitFor("com.corvantix.tandrel.Pong", 5s));
}

TEST_F(DaemonTest, ShutdownRequestEndsTheProcess) {
  start();
  bus_->post("com.corvantix.tandrel.ShutdownRequest");
  auto status = daemon_->waitForExit(10s);
  ASSERT_TRUE(status) << "still running after the shutdown request";
  EXPECT_EQ(*status, 0) << daemon_->logText();
}

TEST_F(DaemonTest, SecondInstanceExitsAtOnceAndTheFirstPostsAlone) {
  start();
  Daemon second;
  auto status = second.waitForExit(10s);
  ASSERT_TRUE(status) << "a second daemon kept running";
  EXPECT_EQ(*status, 0);
  EXPECT_NE(second.logText().find("already runs"), std::string::npos) << second.logText();

  const Point row = app_->target("row1");
  ASSERT_TRUE(pressAt(row));
  ASSERT_TRUE(secondaryPress()) << daemonLog();
  // Let go once the menu is up: a release before it opens races the menu's grab, which can then
  // swallow the click of the release sequence.
  ASSERT_TRUE(app_->waitFor("menu-opened", {{"widget", "row"}}));
  release();
  expectReleaseSequenceAt(row);
  EXPECT_EQ(secondaryPressCount(), 1);
}

}  // namespace
}  // namespace tandrel::testing
