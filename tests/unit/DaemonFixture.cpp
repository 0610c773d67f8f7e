#include "DaemonFixture.h"

#include <algorithm>
#include <cstdio>

DaemonTest::DaemonTest() {
  tandrel_test::RegisterDaemonProgram(desktop);
}

DaemonTest::~DaemonTest() {
  EXPECT_TRUE(desktop.releaseFaults().empty())
      << "first fault: " << (desktop.releaseFaults().empty() ? "" : desktop.releaseFaults()[0]);
}

void DaemonTest::storeDelay(std::optional<PropertyList> delay) {
  NSDictionary domain;
  domain.setObject("1.0", kTandrelFirstRunKey);
  if (delay) domain.setObject(*delay, kTandrelPopupDelayKey);
  sim::ProcessScope scope(desktop.testProcess());
  desktop.defaultsStore().writeDomain(kTandrelDomain, &domain);
}

sim::Process& DaemonTest::launchDaemon() {
  daemon = desktop.launch(tandrel_test::kDaemonBundlePath);
  if (daemon == nullptr) throw std::logic_error("the daemon did not launch");
  desktop.runUntil(desktop.now());
  return *daemon;
}

void DaemonTest::addRow(std::optional<std::string> role) {
  desktop.addElement({"row", {0, 0, 400, 200}, std::move(role)});
}

std::vector<std::string> DaemonTest::postedSince(std::size_t skip) const {
  std::vector<std::string> calls;
  const auto& posted = desktop.postedCalls();
  for (std::size_t i = skip; i < posted.size(); ++i) {
    const sim::PostedCall& call = posted[i];
    char text[64];
    std::snprintf(text, sizeof text, "(%g, %g)", double(call.point.x), double(call.point.y));
    std::string line = text;
    for (bool down : call.down) line += down ? " down" : " up";
    if (call.updateCursor) line += " moving the cursor";
    calls.push_back(line);
  }
  return calls;
}

std::vector<std::string> DaemonTest::leakedObjects() const {
  std::vector<std::string> live = desktop.liveObjectDescriptions(daemon);
  std::erase(live, "system-wide element");
  return live;
}
