// The click-and-hold engine: which presses start a hold, how long it lasts, what ends it, and what
// it owes at the release.
#include "DaemonFixture.h"

#include <cmath>
#include <limits>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct DelayCase {
  const char* name;
  friend void PrintTo(const DelayCase& c, std::ostream* os) { *os << c.name; }
  float popupDelay;
  UInt32 doubleClickTicks;
  float indicator;
  float menu;
};

class HoldDelay : public DaemonTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(HoldDelay, ArmsTheIndicatorAtHalfAndTheMenuAtTheFullDelay) {
  const DelayCase& c = GetParam();
  desktop.doubleClickTicks = c.doubleClickTicks;
  launchDaemon();
  sPopupDelay = c.popupDelay;
  CFAbsoluteTime pressed = desktop.now();
  desktop.press(kRowPoint);
  // Each delay is a 32-bit float widened to double and added to the clock.
  ASSERT_EQ(desktop.armedTimers().size(), 2u);
  EXPECT_EQ(desktop.armedTimers()[0].callback, "indicator timer");
  EXPECT_EQ(desktop.armedTimers()[0].fireDate, pressed + double(c.indicator));
  EXPECT_EQ(desktop.armedTimers()[1].callback, "context-menu timer");
  EXPECT_EQ(desktop.armedTimers()[1].fireDate, pressed + double(c.menu));
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInfinity = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Engine, HoldDelay,
    ::testing::Values(DelayCase{"MissingUsesTheDoubleClickInterval", 0.0f, 30, 0.3f, 0.6f},
                      DelayCase{"NegativeUsesTheDoubleClickInterval", -2.0f, 30, 0.3f, 0.6f},
                      DelayCase{"ZeroTicksFireNow", 0.0f, 0, 0.0f, 0.0f},
                      DelayCase{"DefaultHasNoFloor", 0.0f, 2, float(2 * 0.02) * 0.5f,
                                float(2 * 0.02)},
                      DelayCase{"ShortDelayIsRaisedToATenth", 0.05f, 30, 0.05f, 0.1f},
                      DelayCase{"ATenthAsAFloatIsNotRaised", 0.1f, 30, 0.1f * 0.5f, 0.1f},
                      DelayCase{"LongDelayIsKept", 1.5f, 30, 0.75f, 1.5f},
                      DelayCase{"NotANumberCountsAsMissing", kNaN, 30, 0.3f, 0.6f},
                      DelayCase{"InfinityCountsAsMissing", kInfinity, 30, 0.3f, 0.6f}),
    [](const auto& info) { return std::string(info.param.name); });

struct PressCase {
  const char* name;
  friend void PrintTo(const PressCase& c, std::ostream* os) { *os << c.name; }
  std::optional<EventMouseButton> button;  // nullopt: the parameter cannot be read
  std::optional<UInt32> clickCount;
  std::optional<UInt32> modifiers;
  bool arms;
};

class CandidatePress : public DaemonTest, public ::testing::WithParamInterface<PressCase> {};

TEST_P(CandidatePress, OnlyASingleUnmodifiedPrimaryPressArms) {
  launchDaemon();
  // A hold already under way is cancelled by every press, candidate or not.
  desktop.press({10, 10});
  ASSERT_EQ(desktop.scheduledFireDates().size(), 2u);

  const PressCase& c = GetParam();
  desktop.inject({kEventMouseDown, c.button, c.clickCount, c.modifiers, HIPoint{200, 100}});

  EXPECT_EQ(desktop.scheduledFireDates().size(), c.arms ? 2u : 0u);
  EXPECT_EQ(sDisplayContextMenuTimer != nullptr, c.arms);
  EXPECT_THAT(leakedObjects(), testing::SizeIs(c.arms ? 2 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Engine, CandidatePress,
    ::testing::Values(
        PressCase{"Primary", 1, 1, 0, true}, PressCase{"Secondary", 2, 1, 0, false},
        PressCase{"Tertiary", 3, 1, 0, false}, PressCase{"DoubleClick", 1, 2, 0, false},
        PressCase{"TripleClick", 1, 3, 0, false}, PressCase{"CapsLock", 1, 1, alphaLock, false},
        PressCase{"Shift", 1, 1, shiftKey, false}, PressCase{"Command", 1, 1, cmdKey, false},
        PressCase{"Option", 1, 1, optionKey, false}, PressCase{"Control", 1, 1, controlKey, false},
        PressCase{"UnknownModifierBit", 1, 1, 1, false},
        PressCase{"UnreadableButton", std::nullopt, 1, 0, false},
        PressCase{"UnreadableClickCount", 1, std::nullopt, 0, false},
        PressCase{"UnreadableModifiersCountAsNone", 1, 1, std::nullopt, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DaemonTest, APressWithoutALocationKeepsThePreviousPressPoint) {
  launchDaemon();
  desktop.press({10, 20});
  desktop.release({10, 20});
  desktop.inject({kEventMouseDown, EventMouseButton(1), UInt32(1), UInt32(0), std::nullopt});
  EXPECT_EQ(sLastMouseDownPosition.x, 10.0f);
  EXPECT_EQ(sLastMouseDownPosition.y, 20.0f);
}

struct DragCase {
  const char* name;
  friend void PrintTo(const DragCase& c, std::ostream* os) { *os << c.name; }
  float dx, dy;
  bool keepsTheHold;
};

class DragTolerance : public DaemonTest, public ::testing::WithParamInterface<DragCase> {};

TEST_P(DragTolerance, IsMeasuredPerAxisAgainstThePressPointAndTruncated) {
  addRow();
  launchDaemon();
  desktop.press(kRowPoint);
  const DragCase& c = GetParam();
  // Wander first: the tolerance is not measured from the previous drag.
  desktop.drag({kRowPoint.x + c.dx / 2, kRowPoint.y + c.dy / 2});
  desktop.drag({kRowPoint.x + c.dx, kRowPoint.y + c.dy});
  EXPECT_EQ(sDisplayContextMenuTimer != nullptr, c.keepsTheHold);
  desktop.runFor(1.0);
  EXPECT_EQ(desktop.postedCalls().size(), c.keepsTheHold ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Engine, DragTolerance,
                         ::testing::Values(DragCase{"DiagonalJustInside", 4.9f, 4.9f, true},
                                           DragCase{"DiagonalJustInsideUpLeft", -4.9f, -4.9f, true},
                                           DragCase{"FiveRight", 5.0f, 0.0f, false},
                                           DragCase{"FiveLeft", -5.0f, 0.0f, false},
                                           DragCase{"FiveDown", 0.0f, 5.0f, false},
                                           DragCase{"FiveUp", 0.0f, -5.0f, false},
                                           DragCase{"StillPoint", 0.0f, 0.0f, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DaemonTest, ReleasingBeforeTheDelayDisarmsBothTimersAndPostsNothing) {
  addRow();
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.4);  // past the indicator, before the menu
  EXPECT_EQ(sDisplayIndicatorTimer, nullptr);
  ASSERT_NE(sDisplayContextMenuTimer, nullptr);
  desktop.release(kRowPoint);
  EXPECT_EQ(sDisplayContextMenuTimer, nullptr);
  desktop.runFor(5.0);
  EXPECT_THAT(desktop.postedCalls(), IsEmpty());
  EXPECT_THAT(leakedObjects(), IsEmpty());
}

TEST_F(DaemonTest, TheSecondPressOfADoubleClickArmsNothing) {
  addRow();
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.1);
  desktop.release(kRowPoint);
  desktop.runFor(0.1);
  desktop.press(kRowPoint);  // within the double-click interval: click count 2
  EXPECT_EQ(desktop.monitorRecords().back().event.clickCount, 2u);
  EXPECT_THAT(desktop.scheduledFireDates(), IsEmpty());
  desktop.runFor(5.0);
  EXPECT_THAT(desktop.postedCalls(), IsEmpty());
}

TEST_F(DaemonTest, AHoldOnARowPostsTheContextualClickAndTheReleaseSequenceAtThePressPoint) {
  addRow();
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  EXPECT_THAT(postedSince(), ElementsAre("(100, 50) down up", "(100, 50) down down"));
  EXPECT_TRUE(sPostRightMouseUp);
  // The posted secondary press is the one event that passes unexamined.
  ASSERT_EQ(desktop.monitorRecords().size(), 2u);
  EXPECT_TRUE(desktop.monitorRecords()[1].event.posted);
  EXPECT_FALSE(desktop.monitorRecords()[1].examined);
  EXPECT_EQ(sIgnoreMouseEventCounter, 0);

  // A long drag onto a menu item does not stop the release sequence, nor move it.
  for (int step = 1; step <= 20; ++step) desktop.drag({100.0f + 10 * step, 50.0f + 7 * step});
  desktop.release({300, 190});
  EXPECT_THAT(postedSince(2), ElementsAre("(100, 50) up up", "(100, 50) down", "(100, 50) up"));
  EXPECT_FALSE(sPostRightMouseUp);

  // The posted primary click comes back as an ordinary press and release, and leaves nothing armed.
  desktop.runFor(5.0);
  EXPECT_EQ(desktop.postedCalls().size(), 5u);
  EXPECT_FALSE(desktop.isButtonDown(kEventMouseButtonPrimary));
  EXPECT_FALSE(desktop.isButtonDown(kEventMouseButtonSecondary));
  EXPECT_THAT(leakedObjects(), IsEmpty());
}

class IgnoredEvent : public DaemonTest, public ::testing::WithParamInterface<EventKind> {};

TEST_P(IgnoredEvent, PassesUnexaminedWhateverItsKindAndChangesNothingButTheCounter) {
  addRow();
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  desktop.runUntil(desktop.now());
  ASSERT_TRUE(sPostRightMouseUp);
  // As right after the contextual click: one event to let through.
  sIgnoreMouseEventCounter = 1;
  desktop.inject({GetParam(), EventMouseButton(1), UInt32(1), UInt32(0), HIPoint{400, 400}});
  EXPECT_FALSE(desktop.monitorRecords().back().examined);
  EXPECT_EQ(desktop.monitorRecords().back().passedOn, 1);
  EXPECT_EQ(sIgnoreMouseEventCounter, 0);
  EXPECT_TRUE(sPostRightMouseUp);
  EXPECT_EQ(desktop.postedCalls().size(), 2u);
  // The next one is examined again.
  desktop.inject({GetParam(), EventMouseButton(1), UInt32(1), UInt32(0), HIPoint{400, 400}});
  EXPECT_TRUE(desktop.monitorRecords().back().examined);
}

INSTANTIATE_TEST_SUITE_P(Engine, IgnoredEvent,
                         ::testing::Values(kEventMouseDown, kEventMouseUp, kEventMouseDragged));

TEST_F(DaemonTest, EveryEventIsPassedOnOnceAndTheHandlerReturnsWhatPassingItOnReturned) {
  addRow();
  desktop.nextHandlerStatus = 4242;
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.drag({101, 51});
  desktop.runFor(1.0);
  desktop.drag({300, 300});
  desktop.release({300, 300});
  desktop.press({5, 5}, kEventMouseButtonSecondary);
  desktop.release({5, 5}, kEventMouseButtonSecondary);
  desktop.runFor(1.0);
  ASSERT_GE(desktop.monitorRecords().size(), 8u);
  for (const sim::MonitorRecord& record : desktop.monitorRecords()) {
    EXPECT_EQ(record.passedOn, 1);
    EXPECT_EQ(record.returned, 4242);
  }
}

TEST_F(DaemonTest, ThePostedPrimaryClickOfTheReleaseSequenceArmsAndDisarmsLikeAnyOther) {
  addRow();
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  std::vector<std::string> timeline;
  desktop.onTrace = [&](const sim::TraceEntry& entry) { timeline.push_back(entry.text); };
  desktop.release(kRowPoint);
  desktop.runFor(1.0);
  EXPECT_EQ(std::count(timeline.begin(), timeline.end(),
                       "timer armed: context-menu timer, fires in 0.600 s"),
            1);
  EXPECT_EQ(std::count(timeline.begin(), timeline.end(), "timer cancelled: context-menu timer"), 1);
  EXPECT_THAT(desktop.postedCalls(), testing::SizeIs(5));
  EXPECT_THAT(leakedObjects(), IsEmpty());
}

}  // namespace
