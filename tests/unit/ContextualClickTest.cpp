// The contextual click: which elements get it, what is posted, what is logged, and that every
// reference obtained is released exactly once.
#include "DaemonFixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct RoleCase {
  std::optional<std::string> role;  // nullopt: a role value that is not a string
  bool getsTheContextualClick;
  friend void PrintTo(const RoleCase& c, std::ostream* os) {
    *os << (c.role ? '"' + *c.role + '"' : "a number");
  }
};

class RoleList : public DaemonTest, public ::testing::WithParamInterface<RoleCase> {};

TEST_P(RoleList, DecidesTheContextualClick) {
  addRow(GetParam().role);
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  if (GetParam().getsTheContextualClick) {
    EXPECT_THAT(postedSince(), ElementsAre("(100, 50) down up", "(100, 50) down down"));
    EXPECT_TRUE(sPostRightMouseUp);
  } else {
    EXPECT_THAT(desktop.postedCalls(), IsEmpty());
    EXPECT_FALSE(sPostRightMouseUp);
    EXPECT_EQ(sIgnoreMouseEventCounter, 0);
  }
  EXPECT_EQ(sDisplayContextMenuTimer, nullptr);
  EXPECT_THAT(desktop.logLines(), IsEmpty());
  // The element and its role value are gone; only the system-wide element is kept.
  EXPECT_THAT(leakedObjects(), IsEmpty());
  EXPECT_EQ(desktop.liveObjectCount(daemon), 1);
}

std::vector<RoleCase> RoleCases() {
  std::vector<RoleCase> cases;
  for (const char* listed :
       {"AXStaticText", "AXFinderItem", "AXOutline", "AXRow", "AXApplication", "AXGroup",
        "AXScrollArea", "AXWebArea", "AXImage", "AXWindow", "AXToolbar"}) {
    cases.push_back({listed, true});
  }
  for (const char* unlisted : {"AXButton", "AXTextField", "AXCheckBox", "AXMenuItem", "AXLink",
                               "axrow", "AXROW", "AXRow ", "", "AXRowX"}) {
    cases.push_back({unlisted, false});
  }
  cases.push_back({std::nullopt, false});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(ContextualClick, RoleList, ::testing::ValuesIn(RoleCases()),
                         [](const auto& info) {
                           const auto& role = info.param.role;
                           if (!role) return std::string("NotAString");
                           std::string name = "Role" + std::to_string(info.index) + "_";
                           for (char c : *role) name += std::isalnum(c) ? c : '_';
                           return name;
                         });

TEST_F(DaemonTest, WithAccessibilityOffNothingIsPostedLoggedOrMade) {
  addRow();
  desktop.accessibilityEnabled = false;
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  EXPECT_THAT(desktop.postedCalls(), IsEmpty());
  EXPECT_THAT(desktop.logLines(), IsEmpty());
  EXPECT_EQ(sSystemWideElement, nullptr);
  EXPECT_EQ(sDisplayContextMenuTimer, nullptr);
  EXPECT_EQ(desktop.elementQueries(), 0);
  // The press goes on as an ordinary one: its release posts nothing.
  desktop.release(kRowPoint);
  desktop.runFor(1.0);
  EXPECT_THAT(desktop.postedCalls(), IsEmpty());
  EXPECT_EQ(desktop.liveObjectCount(daemon), 0);
}

TEST_F(DaemonTest, TheSystemWideElementIsMadeOnceAndServesEveryLaterHold) {
  addRow();
  launchDaemon();
  for (int hold = 0; hold < 3; ++hold) {
    desktop.press(kRowPoint);
    desktop.runFor(0.65);
    desktop.release(kRowPoint);
    desktop.runFor(2.0);
  }
  EXPECT_EQ(desktop.systemWideElementsMade(), 1);
  EXPECT_EQ(desktop.elementQueries(), 3);
  EXPECT_EQ(desktop.postedCalls().size(), 15u);
  EXPECT_THAT(leakedObjects(), IsEmpty());
}

TEST_F(DaemonTest, AFailingElementQueryIsLoggedWithItsCodeAndPostsNothing) {
  addRow();
  desktop.elementQueryError = kAXErrorCannotComplete;
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  EXPECT_THAT(desktop.logLines(), ElementsAre("Error AXUIElementCopyElementAtPosition -25204"));
  EXPECT_THAT(desktop.postedCalls(), IsEmpty());
  EXPECT_FALSE(sPostRightMouseUp);
  EXPECT_THAT(leakedObjects(), IsEmpty());
}

TEST_F(DaemonTest, AFailingRoleQueryIsLoggedWithItsCodeAndReleasesTheElement) {
  desktop.addElement({"frozen", {0, 0, 400, 200}, "AXRow", kAXErrorAttributeUnsupported});
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  EXPECT_THAT(desktop.logLines(), ElementsAre("Error AXUIElementCopyAttributeValue -25205"));
  EXPECT_THAT(desktop.postedCalls(), IsEmpty());
  EXPECT_THAT(leakedObjects(), IsEmpty());
  // The next hold tries again.
  desktop.release(kRowPoint);
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  EXPECT_EQ(desktop.logLines().size(), 2u);
}

TEST_F(DaemonTest, NoElementAtThePressPointIsAnErrorLikeAnyOther) {
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.runFor(0.65);
  EXPECT_THAT(desktop.logLines(), ElementsAre("Error AXUIElementCopyElementAtPosition -25212"));
  EXPECT_EQ(sDisplayContextMenuTimer, nullptr);
}

TEST_F(DaemonTest, TheQueryUsesThePressPointNotWhereThePointerWandered) {
  desktop.addElement({"row", {0, 0, 400, 200}, "AXRow"});
  desktop.addElement({"button", {103, 53, 50, 50}, "AXButton"});
  launchDaemon();
  desktop.press(kRowPoint);
  desktop.drag({104, 54});  // onto the button, within tolerance
  desktop.runFor(0.65);
  EXPECT_THAT(postedSince(), ElementsAre("(100, 50) down up", "(100, 50) down down"));
}

}  // namespace
