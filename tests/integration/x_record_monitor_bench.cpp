// CPU cost of the monitor per recorded event, over long synthetic drags.
// Run inside tools/headless-desktop. The emulated user drags from a thread of its own with its
// own connection; only the monitor's thread's CPU time is counted.

#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <glib.h>
#include <time.h>

#include <atomic>
#include <thread>

#include "support/desktop.h"
#include "tandrel/desktop/x_record_monitor.h"
#include "virtual_user.h"

namespace {

using tandrel::desktop::MouseEvent;
using tandrel::desktop::MouseEventKind;
using tandrel::desktop::XRecordMonitor;

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_MonitorDrag(benchmark::State& state) {
  const auto steps = static_cast<int>(state.range(0));
  const std::string display = tandrel::testing::displayName();
  std::string error;
  auto user = tandrel::xuser::VirtualUser::open(display, &error);
  if (!user) {
    state.SkipWithError(("no emulated user: " + error).c_str());
    return;
  }
  tandrel::testing::MainContext context;
  std::size_t events = 0;
  bool released = false;
  XRecordMonitor::Options options;
  options.context = context.get();
  auto monitor = XRecordMonitor::create(
      options,
      [&](const MouseEvent& e) {
        ++events;
        if (e.kind == MouseEventKind::release) released = true;
      },
      nullptr);
  if (!monitor) {
    state.SkipWithError("no monitor");
    return;
  }

  std::size_t total_events = 0;
  double total_cpu = 0;
  for (auto _ : state) {
    released = false;
    events = 0;
    user->move(100, 500);
    user->sync();
    std::thread drag([&] {
      user->press(1);
      for (int i = 0; i < steps; ++i) user->moveBy(i % 200 < 100 ? 1 : -1, 0);
      user->release(1);
      user->sync();
    });
    const double cpu_before = threadCpuSeconds();
    tandrel::testing::pumpUntil(
        context.get(), [&] { return released; }, std::chrono::seconds(60));
    const double cpu = threadCpuSeconds() - cpu_before;
    drag.join();
    state.SetIterationTime(cpu);
    total_events += events;
    total_cpu += cpu;
  }
  state.counters["events"] = static_cast<double>(total_events);
  state.counters["cpu_ns_per_event"] =
      total_events == 0 ? 0.0 : total_cpu * 1e9 / static_cast<double>(total_events);
}

BENCHMARK(BM_MonitorDrag)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Two connections used from two threads.
  XInitThreads();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
