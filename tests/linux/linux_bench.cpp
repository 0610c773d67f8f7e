// Cost of a hit test (first and later, one and several applications) and of a ping/pong
// round trip between two processes. Run inside a private desktop:
//   tests/linux/run-headless.sh build/.../tandrel_linux_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "atspi_hit_test.h"
#include "dbus_broadcast.h"
#include "desktop_test_support.h"
#include "fixture_app.h"

namespace tandrel::desktop {
namespace {

using testing::FixtureApp;

// Applications stay up across benchmarks; the last one started is on top.
std::vector<std::unique_ptr<FixtureApp>>& apps() {
  static std::vector<std::unique_ptr<FixtureApp>> running;
  return running;
}

bool ensureApps(std::size_t count) {
  while (apps().size() < count) {
    const int offset = static_cast<int>(apps().size()) * 20;
    auto app = std::make_unique<FixtureApp>("3", 100 + offset, 100 + offset, "bench");
    if (!app->ready()) return false;
    AtspiHitTest probe;
    const auto& row = app->layout().row;
    if (!testing::hitOnceRegistered(probe, row.centreX(), row.centreY(), app->pid()).ok()) {
      return false;
    }
    apps().push_back(std::move(app));
  }
  return true;
}

void BM_HitTestRow(benchmark::State& state) {
  if (!ensureApps(static_cast<std::size_t>(state.range(0)))) {
    state.SkipWithError("fixture applications did not start");
    return;
  }
  const auto& row = apps().back()->layout().row;
  AtspiHitTest hitTest;
  for (auto _ : state) {
    HitTestResult hit = hitTest.elementAt(row.centreX(), row.centreY());
    if (!hit.ok()) state.SkipWithError(hit.message.c_str());
    benchmark::DoNotOptimize(hit);
  }
}
BENCHMARK(BM_HitTestRow)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// A fresh AT-SPI state each time: the first query of a process.
void BM_HitTestFirst(benchmark::State& state) {
  if (!ensureApps(static_cast<std::size_t>(state.range(0)))) {
    state.SkipWithError("fixture applications did not start");
    return;
  }
  const auto& row = apps().back()->layout().row;
  for (auto _ : state) {
    AtspiHitTest hitTest;
    const auto start = std::chrono::steady_clock::now();
    HitTestResult hit = hitTest.elementAt(row.centreX(), row.centreY());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (!hit.ok()) state.SkipWithError(hit.message.c_str());
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
  }
}
BENCHMARK(BM_HitTestFirst)
    ->Arg(1)
    ->Arg(8)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_PingPong(benchmark::State& state) {
  DBusBroadcast broadcast;
  bool ready = false;
  int pongs = 0;
  auto readySub = broadcast.observe("EchoReady", [&](const std::string&) { ready = true; });
  auto pongSub = broadcast.observe("Pong", [&](const std::string&) { ++pongs; });
  testing::ChildProcess echo({TANDREL_BROADCAST_ECHO});
  if (!testing::pumpUntil([&] { return ready; })) {
    state.SkipWithError("echo process did not start");
    return;
  }
  for (auto _ : state) {
    const int target = pongs + 1;
    broadcast.post("Ping");
    while (pongs < target) g_main_context_iteration(nullptr, TRUE);
  }
  broadcast.post("ShutdownRequest");
  broadcast.flush();
  echo.waitSuccess();
}
BENCHMARK(BM_PingPong)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tandrel::desktop

BENCHMARK_MAIN();
