// How the pane learns whether the daemon runs, starts it and stops it.
#include "PaneFixture.h"

#include <ApplicationServices/LaunchServices.h>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// A pane whose version stamp is saved already, so that a showing neither launches nor stops.
class Supervision : public PaneTest {
 protected:
  Supervision() {
    storePrefs("1.0b2", NSNumber::numberWithFloat(1.0f));
    load(MakeBundle("1.0b2"));
    timeline.clear();
  }
  std::string switchState() const {
    NSMatrix& matrix = host->switchMatrix();
    return std::string(matrix.selectedTag() == 0 ? "on" : "off") +
           (matrix.isEnabled() ? " enabled" : " disabled") +
           (host->spinner().isAnimating() ? " spinning" : "");
  }
  void postFromTest(const char* name) {
    sim::ProcessScope scope(desktop.testProcess());
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(name, nullptr);
  }
  NSArray loginItems() {
    std::optional<NSDictionary> login = domain("loginwindow");
    const PropertyList* items =
        login ? login->objectForKey("AutoLaunchedApplicationDictionary") : nullptr;
    return items && items->array() ? *items->array() : NSArray();
  }
  PropertyList daemonEntry() {
    NSDictionary entry;
    entry.setObject(NSNumber::numberWithBool(true), "Hide");
    entry.setObject(host->daemonBundlePath(), "Path");
    return entry;
  }
};

TEST_F(Supervision, AnAnsweredPingShowsTheDaemonRunningAndNeverTimesOutLater) {
  launchDaemon();
  inPane([](auto& pane) { pane.pingDaemon(); });
  EXPECT_EQ(switchState(), "off disabled spinning");
  desktop.runFor(0.1);
  EXPECT_EQ(switchState(), "on enabled");
  EXPECT_TRUE(host->pane()->daemonIsRunning());
  desktop.runFor(10.0);
  EXPECT_EQ(switchState(), "on enabled");
}

TEST_F(Supervision, AnUnansweredPingShowsTheDaemonStoppedAfterThreeSeconds) {
  inPane([](auto& pane) {
    pane.setDaemonIsRunning(true);
    pane.pingDaemon();
  });
  CFAbsoluteTime pinged = desktop.now();
  desktop.runUntil(pinged + 2.999);
  // The assistive check has enabled the switch again meanwhile; the spinner still spins.
  EXPECT_EQ(switchState(), "off enabled spinning");
  EXPECT_TRUE(host->pane()->daemonIsRunning());
  desktop.runUntil(pinged + 3.0);
  EXPECT_EQ(switchState(), "off enabled");
  EXPECT_FALSE(host->pane()->daemonIsRunning());
}

TEST_F(Supervision, APongWithNoPingPendingShowsTheDaemonRunning) {
  postFromTest(kTandrelPongNotification);
  desktop.runFor(0.1);
  EXPECT_EQ(switchState(), "on enabled");
  EXPECT_TRUE(host->pane()->daemonIsRunning());
}

// Mended: each ping cancels the time-out of the one before, so a time-out of an earlier ping
// cannot turn a daemon that has since answered to off.
TEST_F(Supervision, ANewPingWithdrawsTheTimeOutOfTheEarlierOne) {
  CFAbsoluteTime start = desktop.now();
  inPane([](auto& pane) { pane.pingDaemon(); });
  desktop.runFor(2.0);
  launchDaemon();
  inPane([](auto& pane) { pane.pingDaemon(); });
  desktop.runFor(0.1);
  EXPECT_EQ(switchState(), "on enabled");
  desktop.runUntil(start + 3.5);
  EXPECT_EQ(switchState(), "on enabled");
  EXPECT_TRUE(host->pane()->daemonIsRunning());
}

TEST_F(Supervision, StartingWhileMarkedRunningLaunchesNothingYetUpdatesTheLoginListAndSaves) {
  inPane([](auto& pane) { pane.setDaemonIsRunning(true); });
  std::size_t changesBefore = desktop.viewChanges().size();
  EXPECT_TRUE(inPane([](auto& pane) { return pane.startDaemon(); }));
  EXPECT_THAT(desktop.launchRequests(), IsEmpty());
  std::vector<std::string> changes(desktop.viewChanges().begin() + long(changesBefore),
                                   desktop.viewChanges().end());
  EXPECT_THAT(changes, Not(Contains("switchOnOff: disabled")));
  EXPECT_EQ(host->switchMatrix().selectedTag(), 0);
  EXPECT_THAT(loginItems(), ElementsAre(daemonEntry()));
  EXPECT_EQ(timelineOf({"defaults saved: com.corvantix.tandrel"}).size(), 1u);
}

TEST_F(Supervision, ALaunchDisablesTheSwitchAndSpinsWhileItRuns) {
  std::string during;
  desktop.onTrace = [&](const sim::TraceEntry& entry) {
    if (entry.text.rfind("launch requested", 0) == 0) during = switchState();
  };
  EXPECT_TRUE(inPane([](auto& pane) { return pane.startDaemon(); }));
  EXPECT_EQ(during, "off disabled spinning");
  EXPECT_EQ(switchState(), "on enabled");
  ASSERT_EQ(desktop.launchRequests().size(), 1u);
  const sim::LaunchRequest& launch = desktop.launchRequests()[0];
  EXPECT_EQ(launch.path, host->daemonBundlePath());
  EXPECT_EQ(launch.flags, 0x300u);
  EXPECT_FALSE(launch.hadItems);
  EXPECT_TRUE(launch.started);
  EXPECT_NE(runningDaemon(), nullptr);
  EXPECT_THAT(loginItems(), ElementsAre(daemonEntry()));
}

TEST_F(Supervision, AFailedLaunchShowsOneSheetAndTouchesNothingElse) {
  {
    NSDictionary login;
    login.setObject(NSArray{}, "AutoLaunchedApplicationDictionary");
    sim::ProcessScope scope(desktop.testProcess());
    desktop.defaultsStore().writeDomain("loginwindow", &login);
  }
  std::optional<NSDictionary> prefsBefore = domain();
  std::optional<NSDictionary> loginBefore = domain("loginwindow");
  desktop.launchStatus = kLSApplicationNotFoundErr;
  EXPECT_FALSE(inPane([](auto& pane) { return pane.startDaemon(); }));
  EXPECT_EQ(switchState(), "off enabled");
  EXPECT_FALSE(host->pane()->daemonIsRunning());
  ASSERT_EQ(desktop.alerts().size(), 1u);
  const sim::Alert& sheet = desktop.alerts()[0];
  EXPECT_EQ(sheet.kind, sim::Alert::Kind::Sheet);
  EXPECT_EQ(sheet.window, "mainView");
  EXPECT_EQ(sheet.title, host->bundle().localizedStringForKey("DaemonLaunchErrorSheet.Title", "",
                                                              "Localizable"));
  EXPECT_EQ(sheet.message, host->bundle().localizedStringForKey("DaemonLaunchErrorSheet.Message",
                                                                "", "Localizable"));
  EXPECT_THAT(sheet.buttons, ElementsAre(host->bundle().localizedStringForKey(
                                 "DaemonLaunchErrorSheet.DefaultButton", "", "Localizable")));
  desktop.runFor(5.0);
  EXPECT_EQ(domain(), prefsBefore);
  EXPECT_EQ(domain("loginwindow"), loginBefore);
  EXPECT_EQ(posted(kTandrelUpdatePreferencesNotification), 0);
}

TEST_F(Supervision, StoppingWithNoDaemonStillEndsInTheStoppedStateWithoutTheLoginEntry) {
  inPane([](auto& pane) {
    pane.setDaemonIsRunning(true);
    pane.toggleDaemonAtLogin();
  });
  ASSERT_THAT(loginItems(), ElementsAre(daemonEntry()));
  EXPECT_TRUE(inPane([](auto& pane) { return pane.stopDaemon(); }));
  EXPECT_EQ(posted(kTandrelShutdownRequestNotification), 1);
  EXPECT_EQ(host->switchMatrix().selectedTag(), 1);
  EXPECT_FALSE(host->pane()->daemonIsRunning());
  EXPECT_THAT(loginItems(), IsEmpty());
  EXPECT_EQ(timelineOf({"defaults saved: com.corvantix.tandrel"}).size(), 1u);
  desktop.runFor(1.0);
  EXPECT_EQ(posted(kTandrelUpdatePreferencesNotification), 1);
}

// Mended: the ping sent before a launch cannot reach the daemon it launches, and its time-out
// used to show the new daemon as stopped three seconds after the first showing.
TEST_F(PaneTest, TheFirstShowingLaunchesTheDaemonAndItStaysShownAsRunning) {
  load();
  host->show();
  ASSERT_NE(runningDaemon(), nullptr);
  desktop.runFor(10.0);
  EXPECT_EQ(host->switchMatrix().selectedTag(), 0);
  EXPECT_TRUE(host->switchMatrix().isEnabled());
  EXPECT_FALSE(host->spinner().isAnimating());
  EXPECT_TRUE(host->pane()->daemonIsRunning());
}

}  // namespace
