// The daemon's start-up, its answers to the pane, and its reading of the shared domain.
#include "DaemonFixture.h"

#include <TandrelDaemonController.h>

#include <cmath>
#include <limits>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The context-menu timer's delay for a press made a second from now.
double MenuDelayOfAPressNow(sim::Desktop& desktop) {
  desktop.runFor(1.0);  // well clear of a double click
  CFAbsoluteTime pressed = desktop.now();
  desktop.press({100, 50});
  std::vector<CFAbsoluteTime> dates = desktop.scheduledFireDates();
  desktop.release({100, 50});
  return dates.empty() ? -1.0 : dates.back() - pressed;
}

long Count(const std::vector<std::string>& names, const std::string& name) {
  return std::count(names.begin(), names.end(), name);
}

TEST_F(DaemonTest, StartsUpInOrderAndAnswersEveryPingOnce) {
  sim::Process& pane = desktop.spawn("pane");
  int pongs = 0;
  {
    sim::ProcessScope scope(pane);
    NSDistributedNotificationCenter::defaultCenter()->addObserverWithHandler(
        nullptr, [&](NSNotification*) { ++pongs; }, kTandrelPongNotification, nullptr);
    // Before the daemon's observers are in place: no answer.
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPingNotification,
                                                                           nullptr);
  }
  launchDaemon();
  desktop.runFor(0.1);
  EXPECT_EQ(pongs, 0);
  EXPECT_THAT(desktop.postedNotifications(),
              ElementsAre(kTandrelPingNotification, kTandrelMustQuitNotification));
  EXPECT_EQ(desktop.installedHandlerCount(), 1);

  {
    sim::ProcessScope scope(pane);
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPingNotification,
                                                                           nullptr);
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPingNotification,
                                                                           nullptr);
  }
  EXPECT_EQ(pongs, 0) << "delivery is asynchronous";
  desktop.runFor(0.1);
  EXPECT_EQ(pongs, 2);
}

TEST_F(DaemonTest, TheDelayIsLoadedBeforeTheMonitorIsInstalled) {
  storeDelay(NSNumber::numberWithFloat(1.5f));
  std::vector<std::string> timeline;
  desktop.onTrace = [&](const sim::TraceEntry& entry) { timeline.push_back(entry.text); };
  launchDaemon();
  EXPECT_EQ(sPopupDelay, 1.5f);
  auto installed =
      std::find(timeline.begin(), timeline.end(), "monitor installed: TNDRMouseDownEventHandler");
  auto mustQuit = std::find(timeline.begin(), timeline.end(),
                            std::string("notification posted: ") + kTandrelMustQuitNotification);
  ASSERT_NE(installed, timeline.end());
  EXPECT_LT(mustQuit, installed);
  EXPECT_DOUBLE_EQ(MenuDelayOfAPressNow(desktop), double(1.5f));
}

struct StoredDelayCase {
  const char* name;
  friend void PrintTo(const StoredDelayCase& c, std::ostream* os) { *os << c.name; }
  std::optional<PropertyList> stored;
  float expected;  // menu delay with a double-click interval of 30 ticks
};

class StoredDelay : public DaemonTest, public ::testing::WithParamInterface<StoredDelayCase> {};

TEST_P(StoredDelay, IsReadFromTheSharedDomain) {
  if (GetParam().stored || std::string(GetParam().name) != "NoDomain")
    storeDelay(GetParam().stored);
  launchDaemon();
  EXPECT_DOUBLE_EQ(MenuDelayOfAPressNow(desktop), double(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    DaemonController, StoredDelay,
    ::testing::Values(
        StoredDelayCase{"NoDomain", std::nullopt, 0.6f},
        StoredDelayCase{"NoKey", std::nullopt, 0.6f},
        StoredDelayCase{"Zero", NSNumber::numberWithFloat(0.0f), 0.6f},
        StoredDelayCase{"Float", NSNumber::numberWithFloat(0.8f), 0.8f},
        StoredDelayCase{"Integer", NSNumber::numberWithInteger(2), 2.0f},
        StoredDelayCase{"NotANumber",
                        NSNumber::numberWithDouble(std::numeric_limits<double>::quiet_NaN()), 0.6f},
        StoredDelayCase{"Infinite",
                        NSNumber::numberWithDouble(std::numeric_limits<double>::infinity()), 0.6f},
        StoredDelayCase{"AnArray", NSArray{}, 0.6f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DaemonTest, UpdatePreferencesMakesTheNextPressButNotThePendingOneUseTheNewDelay) {
  storeDelay(NSNumber::numberWithFloat(1.0f));
  launchDaemon();
  CFAbsoluteTime pressed = desktop.now();
  desktop.press({100, 50});
  storeDelay(NSNumber::numberWithFloat(2.0f));
  {
    sim::ProcessScope scope(desktop.testProcess());
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(
        kTandrelUpdatePreferencesNotification, nullptr);
  }
  desktop.runFor(0.1);
  EXPECT_EQ(sPopupDelay, 2.0f);
  EXPECT_DOUBLE_EQ(desktop.scheduledFireDates().back(), pressed + 1.0);
  desktop.release({100, 50});
  EXPECT_DOUBLE_EQ(MenuDelayOfAPressNow(desktop), 2.0);
}

TEST_F(DaemonTest, AShutdownRequestEndsTheDaemonEvenInTheMiddleOfAHold) {
  launchDaemon();
  desktop.press({100, 50});
  {
    sim::ProcessScope scope(desktop.testProcess());
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(
        kTandrelShutdownRequestNotification, nullptr);
  }
  desktop.runFor(0.01);
  EXPECT_FALSE(daemon->isRunning());
  EXPECT_EQ(desktop.installedHandlerCount(), 0);
  EXPECT_EQ(TNDRMouseDownEventHandlerRef, nullptr);
  // Nobody answers any more, and no timer of the daemon fires.
  desktop.runFor(5.0);
  EXPECT_THAT(desktop.postedCalls(), IsEmpty());
  {
    sim::ProcessScope scope(desktop.testProcess());
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPingNotification,
                                                                           nullptr);
  }
  desktop.runFor(0.1);
  EXPECT_EQ(Count(desktop.postedNotifications(), kTandrelPongNotification), 0);
}

struct InstallFailureCase {
  OSStatus status;
  const char* line;
  friend void PrintTo(const InstallFailureCase& c, std::ostream* os) { *os << c.status; }
};

class InstallFailure : public DaemonTest,
                       public ::testing::WithParamInterface<InstallFailureCase> {};

TEST_P(InstallFailure, IsLoggedOnceAndTheDaemonStillAnswersPings) {
  desktop.installStatus = GetParam().status;
  launchDaemon();
  EXPECT_THAT(desktop.logLines(), ElementsAre(GetParam().line));
  EXPECT_EQ(desktop.installedHandlerCount(), 0);
  {
    sim::ProcessScope scope(desktop.testProcess());
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPingNotification,
                                                                           nullptr);
  }
  desktop.runFor(0.1);
  EXPECT_EQ(Count(desktop.postedNotifications(), kTandrelPongNotification), 1);
  EXPECT_TRUE(daemon->isRunning());
}

// The status is logged as a signed 16-bit code.
INSTANTIATE_TEST_SUITE_P(
    DaemonController, InstallFailure,
    ::testing::Values(InstallFailureCase{-9868, "Error installin Event Handler: -9868"},
                      InstallFailureCase{-50, "Error installin Event Handler: -50"},
                      InstallFailureCase{70000, "Error installin Event Handler: 4464"}));

TEST_F(DaemonTest, AControllerThatGoesAwayTakesTheMonitorAndItsSubscriptionsWithIt) {
  sim::Process& process = desktop.spawn("daemon");
  {
    sim::ProcessScope scope(process);
    tandrel_test::ResetDaemonProcessImage();
    auto controller = std::make_unique<TandrelDaemonController>();
    controller->applicationDidFinishLaunching(nullptr);
    ASSERT_EQ(desktop.installedHandlerCount(), 1);
  }
  EXPECT_EQ(desktop.installedHandlerCount(), 0);
  EXPECT_EQ(TNDRMouseDownEventHandlerRef, nullptr);
  sim::ProcessScope scope(desktop.testProcess());
  NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPingNotification,
                                                                         nullptr);
  desktop.runFor(0.1);
  EXPECT_EQ(Count(desktop.postedNotifications(), kTandrelPongNotification), 0);
}

}  // namespace
