// The host's hooks and the control actions: each showing, the version takeover, the slider, the
// links, and letting the pane go.
#include "PaneFixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const std::vector<std::string> kSteps = {
    "log: ",
    "notification posted: com.corvantix.tandrel.ShutdownRequest",
    "alert shown",
    "alert dismissed",
    "launch requested",
    "defaults saved"};

struct ShowingCase {
  const char* name;
  friend void PrintTo(const ShowingCase& c, std::ostream* os) { *os << c.name; }
  std::optional<std::string> stamp;  // nothing: no domain
  std::vector<std::string> steps;
};

class Showing : public PaneTest, public ::testing::WithParamInterface<ShowingCase> {};

TEST_P(Showing, TakesItsStepsInOrder) {
  const ShowingCase& c = GetParam();
  if (c.stamp) storePrefs(*c.stamp, NSNumber::numberWithFloat(1.0f));
  load();
  if (c.stamp) launchDaemon();  // the daemon of whichever version saved the stamp
  timeline.clear();
  host->show();
  EXPECT_THAT(timelineOf(kSteps), ElementsAreArray(c.steps));
}

const std::string kSaved = "defaults saved: com.corvantix.tandrel";
const std::string kLoginSaved = "defaults saved: loginwindow";

INSTANTIATE_TEST_SUITE_P(
    PaneHostHooks, Showing,
    ::testing::Values(
        ShowingCase{"FreshInstall",
                    std::nullopt,
                    {kSaved,
                     "launch requested: " + tandrel_test::kPaneBundlePath +
                         "/Contents/Resources/Tandrel.app",
                     kLoginSaved, kSaved, kSaved}},
        ShowingCase{"SameVersion", "1.0.0", {kSaved}},
        ShowingCase{
            "Update",
            "0.9",
            {kSaved, "log: Update installed, quitting old version's background application",
             "notification posted: com.corvantix.tandrel.ShutdownRequest", kLoginSaved, kSaved,
             "alert shown: Tandrel has been updated.", "alert dismissed: Tandrel has been updated.",
             "launch requested: " + tandrel_test::kPaneBundlePath +
                 "/Contents/Resources/Tandrel.app",
             kLoginSaved, kSaved, kSaved}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaneTest, TheTakeoverHappensOnceAndItsAlertHasOneButton) {
  storePrefs("0.9", NSNumber::numberWithFloat(1.0f));
  load();
  host->show();
  host->leave();
  host->show();
  ASSERT_EQ(desktop.alerts().size(), 1u);
  const sim::Alert& alert = desktop.alerts()[0];
  EXPECT_EQ(alert.kind, sim::Alert::Kind::Panel);
  EXPECT_EQ(alert.message,
            host->bundle().localizedStringForKey("Update.Installed.Message", "", "Localizable"));
  EXPECT_THAT(alert.buttons, ElementsAre(host->bundle().localizedStringForKey(
                                 "Update.Installed.DefaultButton", "", "Localizable")));
  EXPECT_EQ(posted(kTandrelShutdownRequestNotification), 1);
  EXPECT_EQ(desktop.launchRequests().size(), 1u);
}

struct PressureCase {
  const char* name;
  friend void PrintTo(const PressureCase& c, std::ostream* os) { *os << c.name; }
  bool withSender;
  std::optional<float> pressure;  // nothing: no current event
  bool saves;
};

class SliderAction : public PaneTest, public ::testing::WithParamInterface<PressureCase> {};

TEST_P(SliderAction, UpdatesTheTextAlwaysAndSavesOnlyOnceTheButtonIsUp) {
  const PressureCase& c = GetParam();
  storePrefs("1.0.0", NSNumber::numberWithFloat(1.0f));
  load();
  desktop.setCurrentEvent(c.pressure);
  inPane([&](auto& pane) {
    pane.clickAndHoldTimeSlider->setFloatValue(2.25f);
    pane.clickAndHoldTimeSliderMoved(c.withSender ? pane.clickAndHoldTimeSlider : nullptr);
  });
  EXPECT_EQ(host->delayText().stringValue(), "2.25");
  EXPECT_EQ(*domain()->objectForKey(kTandrelPopupDelayKey),
            PropertyList(NSNumber::numberWithFloat(c.saves ? 2.25f : 1.0f)));
}

INSTANTIATE_TEST_SUITE_P(PaneHostHooks, SliderAction,
                         ::testing::Values(PressureCase{"Dragging", true, 1.0f, false},
                                           PressureCase{"Released", true, 0.0f, true},
                                           PressureCase{"HalfPressure", true, 0.5f, true},
                                           PressureCase{"NoEvent", true, std::nullopt, true},
                                           PressureCase{"NoSender", false, 0.0f, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaneTest, DraggingTheSliderWritesTheDomainOnceAtTheRelease) {
  storePrefs("1.0.0", NSNumber::numberWithFloat(1.0f));
  load();
  timeline.clear();
  host->moveSlider(1.2f);
  host->moveSlider(1.4f);
  EXPECT_EQ(host->delayText().stringValue(), "1.4");
  EXPECT_TRUE(timelineOf({kSaved}).empty());
  host->releaseSlider();
  EXPECT_EQ(timelineOf({kSaved}).size(), 1u);
}

TEST_F(PaneTest, LeavingThePaneSavesEvenWhenNothingChanged) {
  storePrefs("1.0.0", NSNumber::numberWithFloat(1.0f));
  load();
  host->show();
  std::size_t saves = timelineOf({kSaved}).size();
  host->leave();
  EXPECT_EQ(timelineOf({kSaved}).size(), saves + 1);
}

TEST_F(PaneTest, TheVersionShownIsExactlyTheBundlesShortVersion) {
  load(MakeBundle("2.3 (beta 4)"));
  EXPECT_EQ(host->aboutVersion().stringValue(), "2.3 (beta 4)");
}

TEST_F(PaneTest, TheLinksOpenTheMakersPageAndNothingElseActs) {
  load();
  host->clickWebLink();
  inPane([](auto& pane) { pane.doNothingAction(nullptr); });
  EXPECT_THAT(desktop.workspaceOpens(), ElementsAre("URL https://www.corvantix.com/"));
}

TEST_F(PaneTest, TheSwitchCellsStartAndStopTheDaemon) {
  storePrefs("1.0.0", NSNumber::numberWithFloat(1.0f));
  load();
  host->clickOn();
  ASSERT_NE(runningDaemon(), nullptr);
  host->clickOff();
  desktop.runFor(0.1);
  EXPECT_EQ(runningDaemon(), nullptr);
  EXPECT_EQ(host->switchMatrix().selectedTag(), 1);
}

// Mended: a controller that the host lets go while its run loop goes on takes its observer,
// its timers and its pending notification with it; nothing calls into it afterwards.
TEST_F(PaneTest, APaneLetGoWhileTheHostRunsLeavesNothingBehind) {
  load();
  host->show();  // pending: a notification, the check, the eye
  host->unload();
  desktop.runFor(10.0);
  {
    sim::ProcessScope scope(desktop.testProcess());
    NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPongNotification,
                                                                           nullptr);
  }
  desktop.runFor(1.0);
  EXPECT_EQ(desktop.liveObjectCount(&host->process()), 0)
      << ::testing::PrintToString(desktop.liveObjectDescriptions(&host->process()));
  EXPECT_EQ(posted(kTandrelUpdatePreferencesNotification), 0);
}

}  // namespace
