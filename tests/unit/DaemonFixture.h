// A simulated desktop with the daemon launched on it, and helpers that read like a user's gestures.
#pragma once

#include <DaemonProgram.h>
#include <SimDesktop.h>
#include <TandrelApp.h>
#include <TandrelContract.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

class DaemonTest : public ::testing::Test {
 protected:
  static constexpr HIPoint kRowPoint{100.0f, 50.0f};

  DaemonTest();
  ~DaemonTest() override;

  // Stores a delay in the shared domain, as the pane would, before or after the daemon starts.
  void storeDelay(std::optional<PropertyList> delay);
  sim::Process& launchDaemon();
  // A table row under kRowPoint, with the given role.
  void addRow(std::optional<std::string> role = "AXRow");
  // The posted calls after the first `skip`, as text: "(x, y) down up" per call.
  std::vector<std::string> postedSince(std::size_t skip = 0) const;
  // The daemon's objects still referenced, other than the system-wide element it keeps for life.
  std::vector<std::string> leakedObjects() const;

  sim::Desktop desktop;
  sim::Process* daemon = nullptr;
};
