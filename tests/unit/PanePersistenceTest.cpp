// The pane's side of the shared domain: what a load makes of it, what a save leaves in it, and
// when the daemon hears of a save.
#include "PaneFixture.h"

#include <Foundation/NSURL.h>

namespace {

using ::testing::ElementsAre;

struct LoadCase {
  const char* name;
  friend void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }
  bool domainExists;
  std::optional<PropertyList> stamp;
  std::optional<PropertyList> delay;
  bool firstRun;
  bool updateFirstRun;
  float shown;  // with a double-click interval of 30 ticks, the default is 0.6 s
};

class PrefsLoad : public PaneTest, public ::testing::WithParamInterface<LoadCase> {};

// The pane's version is "1.0b2", so that a stamp can differ from it in letter case only.
TEST_P(PrefsLoad, SetsTheFlagsAndTheDelayControls) {
  const LoadCase& c = GetParam();
  if (c.domainExists) storePrefs(c.stamp, c.delay);
  load(MakeBundle("1.0b2"));
  inPane([](auto& pane) { pane.reloadPrefs(); });
  EXPECT_EQ(host->pane()->firstRun, c.firstRun);
  EXPECT_EQ(host->pane()->updateFirstRun, c.updateFirstRun);
  EXPECT_EQ(host->slider().floatValue(), c.shown);
  EXPECT_EQ(host->delayText().floatValue(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    PanePersistence, PrefsLoad,
    ::testing::Values(
        LoadCase{"NoDomain", false, std::nullopt, std::nullopt, true, false, 0.6f},
        LoadCase{"EmptyDomain", true, std::nullopt, std::nullopt, true, false, 0.6f},
        LoadCase{"EqualStamp", true, "1.0b2", NSNumber::numberWithFloat(1.5f), false, false, 1.5f},
        LoadCase{"OlderStamp", true, "0.9", NSNumber::numberWithFloat(1.5f), false, true, 1.5f},
        LoadCase{"NewerStamp", true, "2.0", NSNumber::numberWithFloat(1.5f), false, true, 1.5f},
        LoadCase{"StampDiffersInCaseOnly", true, "1.0B2", NSNumber::numberWithFloat(1.5f), false,
                 true, 1.5f},
        LoadCase{"StampNotAString", true, NSNumber::numberWithInteger(1), std::nullopt, false, true,
                 0.6f},
        LoadCase{"StoredZero", true, "1.0b2", NSNumber::numberWithFloat(0.0f), false, false, 0.6f},
        LoadCase{"NoDelay", true, "1.0b2", std::nullopt, false, false, 0.6f},
        LoadCase{"DelayAsText", true, "1.0b2", "1.25", false, false, 1.25f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaneTest, TheDefaultDelayFollowsTheDoubleClickInterval) {
  desktop.doubleClickTicks = 45;
  load(MakeBundle("1.0b2"));
  inPane([](auto& pane) { pane.reloadPrefs(); });
  EXPECT_EQ(host->slider().floatValue(), float(45 * 0.02));
}

TEST_F(PaneTest, EverySaveLeavesExactlyTheStampAndTheDelayInThatOrder) {
  {
    NSDictionary old;
    old.setObject(NSNumber::numberWithFloat(2.0f), kTandrelPopupDelayKey);
    old.setObject("Anything", "SomeOtherKey");
    old.setObject("0.1", kTandrelFirstRunKey);
    sim::ProcessScope scope(desktop.testProcess());
    desktop.defaultsStore().writeDomain(kTandrelDomain, &old);
  }
  load(MakeBundle("1.0b2"));
  inPane([](auto& pane) {
    pane.reloadPrefs();
    pane.clickAndHoldTimeSlider->setFloatValue(1.75f);
    pane.synchronizePrefs();
  });
  std::optional<NSDictionary> saved = domain();
  ASSERT_TRUE(saved);
  EXPECT_THAT(saved->allKeys(), ElementsAre(kTandrelFirstRunKey, kTandrelPopupDelayKey));
  EXPECT_EQ(*saved->objectForKey(kTandrelFirstRunKey), PropertyList("1.0b2"));
  EXPECT_EQ(*saved->objectForKey(kTandrelPopupDelayKey),
            PropertyList(NSNumber::numberWithFloat(1.75f)));
}

TEST_F(PaneTest, ARunOfSavesTellsTheDaemonOnceHalfASecondAfterTheLast) {
  load(MakeBundle("1.0b2"));
  inPane([](auto& pane) { pane.synchronizePrefs(); });
  desktop.runFor(0.2);
  inPane([](auto& pane) { pane.synchronizePrefs(); });
  desktop.runFor(0.2);
  inPane([](auto& pane) { pane.synchronizePrefs(); });
  CFAbsoluteTime last = desktop.now();
  EXPECT_EQ(timelineOf({"defaults saved: com.corvantix.tandrel"}).size(), 3u)
      << "the domain is written at every save";
  desktop.runUntil(last + 0.499);
  EXPECT_EQ(posted(kTandrelUpdatePreferencesNotification), 0);
  desktop.runUntil(last + 0.5);
  EXPECT_EQ(posted(kTandrelUpdatePreferencesNotification), 1);
  desktop.runFor(5.0);
  EXPECT_EQ(posted(kTandrelUpdatePreferencesNotification), 1);
}

TEST_F(PaneTest, TheHostQuittingSoonAfterASaveLeavesTheDomainWrittenAndTheDaemonUntold) {
  load(MakeBundle("1.0b2"));
  inPane([](auto& pane) {
    pane.clickAndHoldTimeSlider->setFloatValue(2.0f);
    pane.synchronizePrefs();
  });
  desktop.runFor(0.2);
  host->quit();
  desktop.runFor(5.0);
  EXPECT_EQ(*domain()->objectForKey(kTandrelPopupDelayKey),
            PropertyList(NSNumber::numberWithFloat(2.0f)));
  EXPECT_EQ(posted(kTandrelUpdatePreferencesNotification), 0);
}

// Without a short version the stamp is the empty string: the delay is saved with it, and the
// stamp matches at the next showing, so the first start is not repeated at every showing.
TEST_F(PaneTest, ABundleWithoutAShortVersionStillSavesTheDelayAndStartsTheDaemonOnce) {
  load(MakeBundle(std::nullopt));
  host->show();
  desktop.runFor(0.1);
  host->moveSlider(2.5f);
  host->releaseSlider();
  std::optional<NSDictionary> saved = domain();
  ASSERT_TRUE(saved);
  ASSERT_NE(saved->objectForKey(kTandrelPopupDelayKey), nullptr);
  EXPECT_EQ(*saved->objectForKey(kTandrelPopupDelayKey),
            PropertyList(NSNumber::numberWithFloat(2.5f)));
  ASSERT_NE(saved->objectForKey(kTandrelFirstRunKey), nullptr);
  EXPECT_EQ(*saved->objectForKey(kTandrelFirstRunKey), PropertyList(""));
  host->leave();
  host->show();
  host->leave();
  host->show();
  EXPECT_EQ(desktop.launchRequests().size(), 1u);
  EXPECT_EQ(host->aboutVersion().stringValue(), "");
  EXPECT_EQ(posted(kTandrelShutdownRequestNotification), 0);
}

TEST(PaneBundle, TheBuiltBundleNamesItsClassAndVersionAndHasEveryText) {
  sim::Desktop desktop;
  std::unique_ptr<NSBundle> bundle = NSBundle::bundleWithPath(tandrel_test::kPaneBundlePath);
  ASSERT_TRUE(bundle);
  const PropertyList* version = bundle->objectForInfoDictionaryKey("CFBundleShortVersionString");
  ASSERT_TRUE(version && version->string());
  EXPECT_FALSE(version->string()->empty());
  EXPECT_EQ(*bundle->objectForInfoDictionaryKey("NSPrincipalClass"),
            PropertyList("ComCorvantixTandrelPreferenceController"));
  for (const char* key :
       {"DaemonLaunchErrorSheet.Title", "DaemonLaunchErrorSheet.DefaultButton",
        "DaemonLaunchErrorSheet.Message", "Update.Installed.Title", "Update.Installed.Message",
        "Update.Installed.DefaultButton", "CorvantixDotComUrl"}) {
    EXPECT_NE(bundle->localizedStringForKey(key, "", "Localizable"), "") << key;
  }
  EXPECT_TRUE(NSURL::URLWithString(bundle->localizedStringForKey("CorvantixDotComUrl", "", "")));
  EXPECT_EQ(bundle->localizedStringForKey("NoSuchKey", "fallback", "Localizable"), "fallback");
}

}  // namespace
