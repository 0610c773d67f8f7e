#include "dbus_broadcast.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "desktop_test_support.h"

namespace tandrel::desktop {
namespace {

using testing::ChildProcess;
using testing::pumpUntil;

// Counts what each observer received. A sentinel posted last from the same connection
// arrives after everything posted before it, so once it is in, the counts are final.
class Recorder {
 public:
  explicit Recorder(DBusBroadcast& broadcast) : broadcast_(broadcast) {
    sentinel_ = broadcast_.observe("Sentinel", [this](const std::string&) { ++sentinels_; });
  }
  DBusBroadcast::Subscription observe(const std::string& name, const std::string& as) {
    return broadcast_.observe(name,
                              [this, as](const std::string& got) { received_[as].push_back(got); });
  }
  void settle(DBusBroadcast& poster) {
    const int target = sentinels_ + 1;
    ASSERT_TRUE(poster.post("Sentinel"));
    ASSERT_TRUE(pumpUntil([&] { return sentinels_ >= target; }));
  }
  std::vector<std::string> operator[](const std::string& as) { return received_[as]; }

 private:
  DBusBroadcast& broadcast_;
  DBusBroadcast::Subscription sentinel_;
  int sentinels_ = 0;
  std::map<std::string, std::vector<std::string>> received_;
};

TEST(DBusBroadcast, OwnPostReachesOwnObserverExactlyOnce) {
  DBusBroadcast broadcast;
  ASSERT_TRUE(broadcast.isConnected()) << broadcast.error();
  Recorder recorder(broadcast);
  auto ping = recorder.observe("Ping", "ping");
  ASSERT_TRUE(broadcast.post("Ping"));
  recorder.settle(broadcast);
  EXPECT_EQ(recorder["ping"], std::vector<std::string>{"Ping"});
}

TEST(DBusBroadcast, ObserversMatchOnTheName) {
  DBusBroadcast broadcast;
  Recorder recorder(broadcast);
  auto ping = recorder.observe("Ping", "ping");
  auto pong = recorder.observe("Pong", "pong");
  auto update = recorder.observe("UpdatePreferences", "update");
  for (const char* name : {"Pong", "Ping", "Pong", "Pin", "ping", "UpdatePreferences"}) {
    ASSERT_TRUE(broadcast.post(name));
  }
  recorder.settle(broadcast);
  EXPECT_EQ(recorder["ping"], std::vector<std::string>{"Ping"});
  EXPECT_EQ(recorder["pong"], (std::vector<std::string>{"Pong", "Pong"}));
  EXPECT_EQ(recorder["update"], std::vector<std::string>{"UpdatePreferences"});
}

TEST(DBusBroadcast, CancelledOrDestroyedSubscriptionHearsNothing) {
  DBusBroadcast broadcast;
  Recorder recorder(broadcast);
  auto cancelled = recorder.observe("Ping", "cancelled");
  cancelled.cancel();
  EXPECT_FALSE(cancelled.active());
  { auto destroyed = recorder.observe("Ping", "destroyed"); }
  auto moved = recorder.observe("Ping", "moved");
  DBusBroadcast::Subscription target = std::move(moved);
  ASSERT_TRUE(broadcast.post("Ping"));
  recorder.settle(broadcast);
  EXPECT_TRUE(recorder["cancelled"].empty());
  EXPECT_TRUE(recorder["destroyed"].empty());
  EXPECT_EQ(recorder["moved"].size(), 1u);  // the move kept exactly one subscription
}

TEST(DBusBroadcast, ObserverMayCancelItselfFromItsCallback) {
  DBusBroadcast broadcast;
  Recorder recorder(broadcast);
  int calls = 0;
  DBusBroadcast::Subscription self;
  self = broadcast.observe("Ping", [&](const std::string&) {
    ++calls;
    self.cancel();
  });
  ASSERT_TRUE(broadcast.post("Ping"));
  ASSERT_TRUE(broadcast.post("Ping"));
  recorder.settle(broadcast);
  EXPECT_EQ(calls, 1);
}

TEST(DBusBroadcast, RejectsNamesThatAreNotText) {
  DBusBroadcast broadcast;
  EXPECT_FALSE(broadcast.post(std::string("Pi\0ng", 5)));
  EXPECT_FALSE(broadcast.post("\xff\xfe"));
  EXPECT_FALSE(broadcast.observe("\xff", [](const std::string&) {}).active());
}

TEST(DBusBroadcast, PingPongBetweenTwoProcesses) {
  DBusBroadcast broadcast;
  ASSERT_TRUE(broadcast.isConnected()) << broadcast.error();
  bool ready = false;
  int pongs = 0;
  auto readySub = broadcast.observe("EchoReady", [&](const std::string&) { ready = true; });
  auto pongSub = broadcast.observe("Pong", [&](const std::string&) { ++pongs; });

  ChildProcess echo({TANDREL_BROADCAST_ECHO});
  ASSERT_TRUE(echo.started()) << echo.error();
  ASSERT_TRUE(pumpUntil([&] { return ready; }));
  for (int round = 1; round <= 3; ++round) {
    ASSERT_TRUE(broadcast.post("Ping"));
    ASSERT_TRUE(pumpUntil([&] { return pongs >= round; }));
  }
  ASSERT_TRUE(broadcast.post("ShutdownRequest"));
  ASSERT_TRUE(broadcast.flush());
  EXPECT_TRUE(echo.waitSuccess());
  EXPECT_EQ(pongs, 3);
}

}  // namespace
}  // namespace tandrel::desktop
