// The pane and the daemon together on one desktop, along the roads a user takes.
#include "PaneFixture.h"

namespace {

// The menu delay the daemon arms for a press made now, from its context-menu timer.
double MenuDelayOfAPressNow(sim::Desktop& desktop) {
  desktop.runFor(1.0);  // well clear of a double click
  std::size_t armed = desktop.armedTimers().size();
  desktop.press({100, 50});
  desktop.release({100, 50});
  for (std::size_t i = armed; i < desktop.armedTimers().size(); ++i) {
    const sim::Desktop::ArmedTimer& timer = desktop.armedTimers()[i];
    if (timer.callback == "context-menu timer") return timer.fireDate - timer.armedAt;
  }
  return -1.0;
}

TEST_F(PaneTest, AFreshInstallLaunchesTheDaemonSilentlyAndItAnswersPings) {
  load();
  host->show();
  sim::Process* daemon = runningDaemon();
  ASSERT_NE(daemon, nullptr);
  EXPECT_TRUE(desktop.alerts().empty());
  EXPECT_EQ(posted(kTandrelShutdownRequestNotification), 0);
  EXPECT_EQ(posted(kTandrelMustQuitNotification), 1);

  long pongs = posted(kTandrelPongNotification);
  {
    sim::ProcessScope scope(host->process());
    host->pane()->pingDaemon();
  }
  desktop.runFor(0.1);
  EXPECT_EQ(posted(kTandrelPongNotification), pongs + 1);
  EXPECT_EQ(host->switchMatrix().selectedTag(), 0);
  EXPECT_TRUE(host->switchMatrix().isEnabled());
}

TEST_F(PaneTest, ReleasingTheSliderReachesTheDaemonHalfASecondAfterTheSave) {
  load();
  host->show();
  desktop.runFor(1.0);
  EXPECT_DOUBLE_EQ(MenuDelayOfAPressNow(desktop), double(0.6f));

  host->moveSlider(1.0f);
  desktop.runFor(0.3);
  host->moveSlider(1.5f);
  host->releaseSlider();
  CFAbsoluteTime released = desktop.now();
  EXPECT_EQ(*domain()->objectForKey(kTandrelPopupDelayKey),
            PropertyList(NSNumber::numberWithFloat(1.5f)));
  desktop.runUntil(released + 0.49);
  EXPECT_EQ(sPopupDelay, 0.6f);
  desktop.runUntil(released + 0.5);
  EXPECT_EQ(sPopupDelay, 1.5f);
  EXPECT_DOUBLE_EQ(MenuDelayOfAPressNow(desktop), 1.5);
}

TEST_F(PaneTest, TheOffSwitchShutsTheDaemonDownAndTheOnSwitchStartsItAgain) {
  load();
  host->show();
  sim::Process* first = runningDaemon();
  ASSERT_NE(first, nullptr);
  host->clickOff();
  desktop.runFor(0.1);
  EXPECT_FALSE(first->isRunning());
  EXPECT_EQ(desktop.installedHandlerCount(), 0);
  host->clickOn();
  sim::Process* second = runningDaemon();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(desktop.installedHandlerCount(), 1);
}

// An update: the old daemon is asked to quit before the alert, and the new one launches only
// once the user has dismissed it. The old daemon answers the showing's ping before it quits;
// that answer must not keep the new one from being launched.
TEST_F(PaneTest, AnUpdateReplacesTheOldDaemonAfterTheAlertIsDismissed) {
  storePrefs("0.9", NSNumber::numberWithFloat(1.0f));
  load();
  sim::Process& old = launchDaemon();
  bool oldRanWhenShown = false;
  std::size_t launchesWhileShown = 99;
  desktop.answerAlert = [&](const sim::Alert&) {
    oldRanWhenShown = old.isRunning();
    desktop.runFor(4.0);  // the user reads the message
    launchesWhileShown = desktop.launchRequests().size();
    return NSAlertDefaultReturn;
  };
  host->show();
  EXPECT_TRUE(oldRanWhenShown) << "the shutdown request is delivered, not obeyed at once";
  EXPECT_EQ(launchesWhileShown, 0u);
  EXPECT_FALSE(old.isRunning());
  sim::Process* renewed = runningDaemon();
  ASSERT_NE(renewed, nullptr);
  EXPECT_NE(renewed, &old);
  EXPECT_EQ(*domain()->objectForKey(kTandrelFirstRunKey), PropertyList("1.0.0"));
  EXPECT_EQ(host->switchMatrix().selectedTag(), 0);
}

TEST_F(PaneTest, AnUpdateDismissedAtOnceStillLaunchesTheNewDaemon) {
  storePrefs("0.9", NSNumber::numberWithFloat(1.0f));
  load();
  sim::Process& old = launchDaemon();
  host->show();
  EXPECT_FALSE(old.isRunning());
  ASSERT_NE(runningDaemon(), nullptr);
  desktop.runFor(5.0);
  EXPECT_TRUE(host->pane()->daemonIsRunning());
}

}  // namespace
