// The assistive-devices check: the warning, the locked switch and the ping when access comes on.
#include "PaneFixture.h"

namespace {

// A pane whose stamp is saved, with the daemon running so that every ping is answered.
class Assistive : public PaneTest {
 protected:
  Assistive() {
    storePrefs("1.0b2", NSNumber::numberWithFloat(1.0f));
    load(MakeBundle("1.0b2"));
  }
  std::string state() const {
    const NSMatrix& matrix = host->switchMatrix();
    auto shown = [](const NSView& view) { return view.isHidden() ? "hidden" : "shown"; };
    return std::string("warning ") + shown(host->warningView()) + ", icon " +
           shown(host->warningIcon()) + ", switch " + (matrix.selectedTag() == 0 ? "on" : "off") +
           (matrix.isEnabled() ? " enabled" : " disabled") + ", preview " +
           shown(host->previewImage()) + (host->previewImage().animates() ? " animating" : "");
  }
};

struct Check {
  bool access;
  const char* state;
  long pings;  // pings sent so far
};

// Each row is one check, half a second after the one before; the first row is the showing.
TEST_F(Assistive, FollowsAccessCheckByCheckAndPingsOnceWhenItComesOn) {
  launchDaemon();
  const Check checks[] = {
      {true, "warning hidden, icon hidden, switch on enabled, preview shown animating", 1},
      {false, "warning shown, icon shown, switch off disabled, preview hidden animating", 1},
      {false, "warning shown, icon hidden, switch off disabled, preview hidden animating", 1},
      {false, "warning shown, icon shown, switch off disabled, preview hidden animating", 1},
      {true, "warning hidden, icon hidden, switch on enabled, preview shown animating", 2},
      {true, "warning hidden, icon hidden, switch on enabled, preview shown animating", 2},
      {false, "warning shown, icon shown, switch off disabled, preview hidden animating", 2},
      {true, "warning hidden, icon hidden, switch on enabled, preview shown animating", 3},
  };
  host->show();
  desktop.runFor(0.1);
  for (std::size_t i = 0; i < std::size(checks); ++i) {
    SCOPED_TRACE("check " + std::to_string(i));
    if (i > 0) {
      host->setAccessibility(checks[i].access);
      desktop.runFor(0.5);
    }
    EXPECT_EQ(state(), checks[i].state);
    EXPECT_EQ(posted(kTandrelPingNotification), checks[i].pings);
    EXPECT_TRUE(host->pane()->daemonIsRunning()) << "the check leaves the belief alone";
  }
  EXPECT_NE(runningDaemon(), nullptr) << "the check never stops the daemon";
}

TEST_F(Assistive, TheFirstCheckSendsNoPingOfItsOwn) {
  desktop.runFor(0.5);
  EXPECT_EQ(posted(kTandrelPingNotification), 0);
  host->setAccessibility(false);
  desktop.runFor(0.5);
  host->setAccessibility(true);
  desktop.runFor(0.5);
  EXPECT_EQ(posted(kTandrelPingNotification), 1);
}

TEST_F(Assistive, AccessOffAndOnBetweenTwoChecksSendsNoPing) {
  desktop.runFor(0.5);
  host->setAccessibility(false);
  desktop.runFor(0.2);
  host->setAccessibility(true);
  desktop.runFor(0.3);
  EXPECT_EQ(posted(kTandrelPingNotification), 0);
}

TEST_F(Assistive, EveryCheckWithAccessOnEnablesTheSwitchAlsoWhileAPingIsPending) {
  host->show();  // no daemon: the ping stays unanswered for three seconds
  ASSERT_FALSE(host->switchMatrix().isEnabled());
  desktop.runFor(0.5);
  EXPECT_TRUE(host->switchMatrix().isEnabled());
  EXPECT_TRUE(host->spinner().isAnimating());
}

TEST_F(Assistive, TheCheckPausesWhileAControlIsDragged) {
  desktop.runFor(0.5);
  host->moveSlider(2.0f);
  host->setAccessibility(false);
  desktop.runFor(2.0);
  EXPECT_TRUE(host->warningView().isHidden());
  host->releaseSlider();
  desktop.runFor(0.0);
  EXPECT_FALSE(host->warningView().isHidden()) << "the overdue check runs once the drag ends";
}

TEST_F(Assistive, TheButtonOpensUniversalAccess) {
  host->clickOpenUniversalAccess();
  EXPECT_THAT(
      desktop.workspaceOpens(),
      ::testing::ElementsAre("file /System/Library/PreferencePanes/UniversalAccessPref.prefPane"));
}

}  // namespace
