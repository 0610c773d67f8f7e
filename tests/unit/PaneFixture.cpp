#include "PaneFixture.h"

#include <algorithm>

PaneTest::PaneTest() {
  desktop.onTrace = [this](const sim::TraceEntry& entry) { timeline.push_back(entry); };
}

PaneTest::~PaneTest() {
  host.reset();  // the pane goes before the desktop
  EXPECT_TRUE(desktop.releaseFaults().empty())
      << "first fault: " << (desktop.releaseFaults().empty() ? "" : desktop.releaseFaults()[0]);
}

tandrel_test::PaneHost& PaneTest::load() {
  host = std::make_unique<tandrel_test::PaneHost>(desktop);
  return *host;
}

tandrel_test::PaneHost& PaneTest::load(std::unique_ptr<NSBundle> bundle) {
  host = std::make_unique<tandrel_test::PaneHost>(desktop, std::move(bundle));
  return *host;
}

std::unique_ptr<NSBundle> PaneTest::MakeBundle(std::optional<std::string> shortVersion,
                                               const std::string& path) {
  std::unique_ptr<NSBundle> built = NSBundle::bundleWithPath(tandrel_test::kPaneBundlePath);
  NSDictionary strings = built ? *built->propertyListResource("Localizable") : NSDictionary();
  return std::make_unique<NSBundle>(path, tandrel_test::PaneInfoDictionary(shortVersion),
                                    std::map<NSString, NSDictionary>{{"Localizable", strings}});
}

void PaneTest::storePrefs(std::optional<PropertyList> stamp, std::optional<PropertyList> delay) {
  NSDictionary prefs;
  if (stamp) prefs.setObject(*stamp, kTandrelFirstRunKey);
  if (delay) prefs.setObject(*delay, kTandrelPopupDelayKey);
  sim::ProcessScope scope(desktop.testProcess());
  desktop.defaultsStore().writeDomain(kTandrelDomain, &prefs);
}

std::optional<NSDictionary> PaneTest::domain(const std::string& name) {
  sim::ProcessScope scope(desktop.testProcess());
  return desktop.defaultsStore().readDomain(name);
}

long PaneTest::posted(const std::string& name) const {
  return std::count(desktop.postedNotifications().begin(), desktop.postedNotifications().end(),
                    name);
}

std::vector<std::string> PaneTest::timelineOf(const std::vector<std::string>& prefixes) const {
  std::vector<std::string> lines;
  for (const sim::TraceEntry& entry : timeline) {
    for (const std::string& prefix : prefixes) {
      if (entry.text.rfind(prefix, 0) == 0) {
        lines.push_back(entry.text);
        break;
      }
    }
  }
  return lines;
}

sim::Process& PaneTest::launchDaemon() {
  sim::Process* daemon = desktop.launch(host->daemonBundlePath());
  if (daemon == nullptr) throw std::logic_error("the daemon did not launch");
  return *daemon;
}

sim::Process* PaneTest::runningDaemon() {
  return desktop.runningProgram(host->daemonBundlePath());
}
