// A simulated desktop with the preferences host on it; the pane is loaded when a test asks, so
// that the domain and the bundle can be set up first.
#pragma once

#include <PaneProgram.h>
#include <SimDesktop.h>
#include <TandrelApp.h>
#include <TandrelContract.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

class PaneTest : public ::testing::Test {
 protected:
  PaneTest();
  ~PaneTest() override;

  // Loads the pane from the built bundle folder, or from a bundle made of values.
  tandrel_test::PaneHost& load();
  tandrel_test::PaneHost& load(std::unique_ptr<NSBundle> bundle);
  // A bundle of values at `path` with the pane's texts and the given short version.
  static std::unique_ptr<NSBundle> MakeBundle(std::optional<std::string> shortVersion,
                                              const std::string& path = kValueBundlePath);

  // Calls into the pane as its host process does.
  template <class Call>
  auto inPane(Call call) {
    sim::ProcessScope scope(host->process());
    return call(*host->pane());
  }

  // Writes the shared domain as an earlier pane would have; a missing value is left out.
  void storePrefs(std::optional<PropertyList> stamp, std::optional<PropertyList> delay);
  std::optional<NSDictionary> domain(const std::string& name = kTandrelDomain);
  long posted(const std::string& name) const;
  // The timeline's lines that start with one of the prefixes, in order.
  std::vector<std::string> timelineOf(const std::vector<std::string>& prefixes) const;
  // Launches the daemon at the pane's daemon path, as loginwindow would.
  sim::Process& launchDaemon();
  sim::Process* runningDaemon();

  static constexpr const char* kValueBundlePath =
      "/Users/tester/Library/PreferencePanes/Tandrel.prefPane";

  sim::Desktop desktop;
  std::vector<sim::TraceEntry> timeline;
  std::unique_ptr<tandrel_test::PaneHost> host;
};
