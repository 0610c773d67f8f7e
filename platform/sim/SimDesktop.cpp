#include "SimDesktop.h"

#include "SimObjects.h"

#include <RunLoopRules.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace sim {
namespace {
Desktop* gDesktop = nullptr;
}

std::string FormatTime(CFAbsoluteTime time) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", time);
  return text;
}

std::string Describe(HIPoint point) {
  char text[64];
  std::snprintf(text, sizeof text, "(%g, %g)", double(point.x), double(point.y));
  return text;
}

Desktop::Desktop() : Desktop(Options{}) {}

Desktop::Desktop(Options options) : options_(options), internals_(std::make_unique<Internals>()) {
  if (gDesktop != nullptr) throw std::logic_error("only one simulated desktop at a time");
  gDesktop = this;
  processes_.push_back(std::make_unique<Process>(*this, "test"));
  current_ = processes_.front().get();
}

Desktop::~Desktop() {
  onTrace = nullptr;  // whoever listened may be gone already
  // Programs still running end with the desktop, as at logout.
  for (auto& process : processes_) {
    if (process->isRunning()) {
      ProcessScope scope(*process);
      process->exit();
    }
  }
  processes_.clear();
  gDesktop = nullptr;
}

Desktop& Desktop::current() {
  if (gDesktop == nullptr) throw std::logic_error("no simulated desktop");
  return *gDesktop;
}

void Desktop::trace(const std::string& text) {
  trace(current_ ? current_->name() : std::string(), text);
}

void Desktop::trace(const std::string& source, const std::string& text) {
  if (onTrace) onTrace({now_, source, text});
}

std::string Desktop::functionName(const void* function) const {
  auto found = functionNames_.find(function);
  if (found != functionNames_.end()) return found->second;
  char text[32];
  std::snprintf(text, sizeof text, "function %p", function);
  return text;
}

void Desktop::recordLog(const std::string& line) {
  logLines_.push_back(line);
  trace("log: " + line);
}

// --- the scheduler

namespace {

bool TimerCanFire(const CFRunLoopTimerObject& timer) {
  if (!timer.valid || timer.modes.empty() || !timer.owner->isRunning()) return false;
  return platform_common::TimerMayFireInMode(timer.modes,
                                             CFStringGetView(timer.owner->runLoopMode()));
}

void FireTimer(Desktop& desktop, CFRunLoopTimerObject* timer) {
  ProcessScope scope(*timer->owner);
  if (desktop.tracing()) desktop.trace("timer fired: " + timer->name);
  // The run loop's own reference keeps the timer alive through its callback.
  CFRetain(timer);
  timer->callout(timer, timer->info);
  if (timer->valid && timer->interval > 0.0) {
    timer->fireDate =
        platform_common::NextRepeatingFireDate(timer->fireDate, timer->interval, desktop.now());
  } else if (!timer->modes.empty()) {
    CFRunLoopTimerInvalidate(timer);
  }
  CFRelease(timer);
}

}  // namespace

void Desktop::runUntil(CFAbsoluteTime time) {
  for (;;) {
    Internals& in = *internals_;
    // The earliest of the due tasks and the due timers that may fire in their process's mode.
    auto task =
        std::min_element(in.tasks.begin(), in.tasks.end(), [](const Task& a, const Task& b) {
          return a.time != b.time ? a.time < b.time : a.sequence < b.sequence;
        });
    CFRunLoopTimerObject* timer = nullptr;
    for (CFRunLoopTimerObject* t : in.scheduledTimers) {
      if (!TimerCanFire(*t)) continue;
      if (timer == nullptr || t->fireDate < timer->fireDate ||
          (t->fireDate == timer->fireDate && t->order < timer->order)) {
        timer = t;
      }
    }
    bool taskDue = task != in.tasks.end() && task->time <= time;
    bool timerDue = timer != nullptr && timer->fireDate <= time;
    if (!taskDue && !timerDue) break;
    if (taskDue && (!timerDue || task->time <= timer->fireDate)) {
      Task next = std::move(*task);
      in.tasks.erase(task);
      now_ = std::max(now_, next.time);
      if (next.process == nullptr) {
        next.run();
      } else if (next.process->isRunning()) {
        ProcessScope scope(*next.process);
        next.run();
      }
    } else {
      now_ = std::max(now_, timer->fireDate);
      FireTimer(*this, timer);
    }
  }
  now_ = std::max(now_, time);
}

void Desktop::runUntilIdle(CFTimeInterval limit) {
  CFAbsoluteTime end = now_ + limit;
  for (;;) {
    std::optional<CFAbsoluteTime> next;
    for (const Task& t : internals_->tasks) next = std::min(next.value_or(t.time), t.time);
    for (CFRunLoopTimerObject* t : internals_->scheduledTimers) {
      if (TimerCanFire(*t)) next = std::min(next.value_or(t->fireDate), t->fireDate);
    }
    if (!next || *next > end) return;
    runUntil(std::max(*next, now_));
  }
}

std::vector<CFAbsoluteTime> Desktop::scheduledFireDates() const {
  std::vector<CFAbsoluteTime> dates;
  for (const CFRunLoopTimerObject* t : internals_->scheduledTimers) dates.push_back(t->fireDate);
  std::sort(dates.begin(), dates.end());
  return dates;
}

// --- processes

Process& Desktop::spawn(const std::string& name) {
  processes_.push_back(std::make_unique<Process>(*this, name));
  return *processes_.back();
}

void Desktop::registerProgram(const std::string& bundlePath, Program program) {
  programs_.insert_or_assign(bundlePath, std::move(program));
}

Process* Desktop::runningProgram(const std::string& bundlePath) {
  for (auto& process : processes_) {
    if (process->isRunning() && process->bundle() &&
        process->bundle()->bundlePath() == bundlePath) {
      return process.get();
    }
  }
  return nullptr;
}

Process* Desktop::launch(const std::string& bundlePath) {
  auto found = programs_.find(bundlePath);
  if (found == programs_.end()) return nullptr;
  const Program& program = found->second;
  std::string name = bundlePath.substr(bundlePath.find_last_of('/') + 1);
  Process& process = spawn(name);
  process.setBundle(std::make_unique<NSBundle>(program.bundle));
  ProcessScope scope(process);
  trace("process started: " + bundlePath);
  if (program.resetProcessImage) program.resetProcessImage();
  const char* argv[] = {name.c_str(), nullptr};
  NSApplicationMain(1, argv);
  return &process;
}

// --- references

void Track(std::unique_ptr<Object> object) {
  Desktop& desktop = Desktop::current();
  object->owner = &desktop.currentProcess();
  desktop.internals().live[object.get()] = object.get();
  desktop.internals().objects.push_back(std::move(object));
}

Object* Lookup(CFTypeRef reference, const char* use) {
  if (Object* constant = FindConstant(reference)) return constant;
  Desktop& desktop = Desktop::current();
  auto found = desktop.internals().live.find(reference);
  if (found != desktop.internals().live.end()) return found->second;
  char text[96];
  std::snprintf(text, sizeof text, "%s of %p, which is not a live object", use, reference);
  desktop.addReleaseFault(text);
  return nullptr;
}

int Desktop::liveObjectCount(const Process* owner) const {
  return int(liveObjectDescriptions(owner).size());
}

std::vector<std::string> Desktop::liveObjectDescriptions(const Process* owner) const {
  std::vector<std::string> descriptions;
  for (const auto& [reference, object] : internals_->live) {
    if (!object->constant && (owner == nullptr || object->owner == owner)) {
      descriptions.push_back(object->description);
    }
  }
  std::sort(descriptions.begin(), descriptions.end());
  return descriptions;
}

}  // namespace sim

CFTypeRef CFRetain(CFTypeRef cf) {
  if (sim::Object* object = sim::Lookup(cf, "CFRetain"); object && !object->constant) {
    ++object->retainCount;
  }
  return cf;
}

void CFRelease(CFTypeRef cf) {
  sim::Desktop& desktop = sim::Desktop::current();
  sim::Object* object = sim::Lookup(cf, "CFRelease");
  if (object == nullptr || object->constant) return;
  if (--object->retainCount > 0) return;
  sim::Desktop::Internals& in = desktop.internals();
  in.live.erase(object);
  object->finalize();
  if (!desktop.options().keepZombies) {
    std::erase_if(in.objects, [&](const auto& owned) { return owned.get() == object; });
  }
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
  sim::Object* object = sim::Lookup(cf, "CFGetTypeID");
  return object ? object->typeID : 0;
}
