// The monitor handler's cost per press, drag and release on the simulated desktop. The figures
// include the simulator's own bookkeeping (records, event delivery), so they bound the engine's
// share from above.
#include <DaemonProgram.h>
#include <SimDesktop.h>
#include <TandrelApp.h>

#include <benchmark/benchmark.h>

namespace {

struct Fixture {
  Fixture() : desktop(sim::Desktop::Options{.keepZombies = false}) {
    tandrel_test::RegisterDaemonProgram(desktop);
    desktop.launch(tandrel_test::kDaemonBundlePath);
  }
  sim::Desktop desktop;
};

void BM_DragWithinTolerance(benchmark::State& state) {
  Fixture f;
  f.desktop.press({100, 100});
  float x = 100;
  for (auto _ : state) {
    x = x > 103 ? 100 : x + 0.5f;
    f.desktop.drag({x, 100});
    if (f.desktop.monitorRecords().size() > 100000) f.desktop.mutableMonitorRecords().clear();
  }
}
BENCHMARK(BM_DragWithinTolerance);

void BM_PressAndRelease(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    f.desktop.press({100, 100}, kEventMouseButtonPrimary, 1);
    f.desktop.release({100, 100});
    if (f.desktop.monitorRecords().size() > 100000) f.desktop.mutableMonitorRecords().clear();
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_PressAndRelease);

}  // namespace
