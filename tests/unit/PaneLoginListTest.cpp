// The login launch list: exactly one entry for the daemon while it is marked running.
#include "PaneFixture.h"

namespace {

using ::testing::ElementsAreArray;

// Items by short name: "daemon" names the daemon by its absolute path, "~daemon" and
// "~tester/daemon" through a tilde, "link" by a route that is not normalised, "other" another
// application, "no path" an item without "Path", and "entry" the element the pane writes.
PropertyList Item(const std::string& name) {
  const std::string home = "/Users/tester";
  const std::string inHome =
      "/Library/PreferencePanes/Tandrel.prefPane/Contents/Resources/"
      "Tandrel.app";
  NSDictionary item;
  if (name == "entry") {
    item.setObject(NSNumber::numberWithBool(true), "Hide");
    item.setObject(home + inHome, "Path");
    return item;
  }
  item.setObject(NSNumber::numberWithBool(false), "Hide");
  if (name == "daemon") item.setObject(home + inHome, "Path");
  if (name == "~daemon") item.setObject("~" + inHome, "Path");
  if (name == "~tester/daemon") item.setObject("~tester" + inHome, "Path");
  if (name == "link") item.setObject(home + "/Library/../Library" + inHome.substr(8), "Path");
  if (name == "other") item.setObject("/Applications/Notes.app", "Path");
  return item;
}

NSArray Items(const std::vector<std::string>& names) {
  NSArray items;
  for (const std::string& name : names) items.push_back(Item(name));
  return items;
}

struct LoginCase {
  const char* name;
  friend void PrintTo(const LoginCase& c, std::ostream* os) { *os << c.name; }
  std::optional<std::vector<std::string>> before;  // nothing: the key is absent
  bool running;
  std::vector<std::string> after;
};

class LoginList : public PaneTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(LoginList, HoldsTheDaemonExactlyOnceAtTheEndWhileItRuns) {
  const LoginCase& c = GetParam();
  {
    NSDictionary login;
    login.setObject("kept as it is", "SomeOtherKey");
    if (c.before) login.setObject(Items(*c.before), "AutoLaunchedApplicationDictionary");
    sim::ProcessScope scope(desktop.testProcess());
    desktop.defaultsStore().writeDomain("loginwindow", &login);
  }
  load(MakeBundle("1.0"));
  inPane([&](auto& pane) {
    pane.setDaemonIsRunning(c.running);
    pane.toggleDaemonAtLogin();
  });
  std::optional<NSDictionary> once = domain("loginwindow");
  ASSERT_TRUE(once);
  EXPECT_EQ(*once->objectForKey("SomeOtherKey"), PropertyList("kept as it is"));
  const PropertyList* items = once->objectForKey("AutoLaunchedApplicationDictionary");
  ASSERT_TRUE(items && items->array()) << "the key is written also when the list is empty";
  EXPECT_THAT(*items->array(), ElementsAreArray(Items(c.after)));

  inPane([](auto& pane) { pane.toggleDaemonAtLogin(); });
  EXPECT_EQ(domain("loginwindow"), once) << "twice is the same as once";
}

INSTANTIATE_TEST_SUITE_P(
    PaneLoginList, LoginList,
    ::testing::Values(
        LoginCase{"AppendedAfterTheOthers",
                  std::vector<std::string>{"other", "no path"},
                  true,
                  {"other", "no path", "entry"}},
        LoginCase{"DuplicatesAndTildePathsCollapseIntoOneAtTheEnd",
                  std::vector<std::string>{"daemon", "other", "~daemon", "~tester/daemon", "daemon",
                                           "no path"},
                  true,
                  {"other", "no path", "entry"}},
        LoginCase{"TheEntryItselfMovesToTheEnd",
                  std::vector<std::string>{"entry", "other"},
                  true,
                  {"other", "entry"}},
        LoginCase{"ClearedWhenOff",
                  std::vector<std::string>{"other", "daemon", "~daemon", "no path", "entry"},
                  false,
                  {"other", "no path"}},
        LoginCase{"ClearedToAnEmptyList", std::vector<std::string>{"~daemon"}, false, {}},
        LoginCase{"AnotherRouteIsNotRecognised",
                  std::vector<std::string>{"link"},
                  true,
                  {"link", "entry"}},
        LoginCase{"NoListWhileRunning", std::nullopt, true, {"entry"}},
        LoginCase{"NoListWhileOff", std::nullopt, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaneTest, TheLoginListIsCreatedWhenLoginwindowHasNoDomain) {
  load(MakeBundle("1.0"));
  inPane([](auto& pane) {
    pane.setDaemonIsRunning(true);
    pane.toggleDaemonAtLogin();
  });
  std::optional<NSDictionary> login = domain("loginwindow");
  ASSERT_TRUE(login);
  EXPECT_EQ(*login->objectForKey("AutoLaunchedApplicationDictionary"),
            PropertyList(Items({"entry"})));
}

// Mended: loginwindow's domain has other writers. An item another process adds between the
// pane's read and its write is kept: the write holds the store's lock of the domain.
TEST_F(PaneTest, AnotherWriterBetweenTheReadAndTheWriteOfTheLoginListLosesNothing) {
  load(MakeBundle("1.0"));
  desktop.interposeDomainEdit("loginwindow", [](std::optional<NSDictionary>& login) {
    if (!login) login.emplace();
    const PropertyList* items = login->objectForKey("AutoLaunchedApplicationDictionary");
    NSArray list = items && items->array() ? *items->array() : NSArray();
    list.push_back(Item("other"));
    login->setObject(list, "AutoLaunchedApplicationDictionary");
  });
  inPane([](auto& pane) {
    pane.setDaemonIsRunning(true);
    pane.toggleDaemonAtLogin();
  });
  std::optional<NSDictionary> login = domain("loginwindow");
  ASSERT_TRUE(login);
  EXPECT_EQ(*login->objectForKey("AutoLaunchedApplicationDictionary"),
            PropertyList(Items({"entry", "other"})));
}

}  // namespace
