// Run loops and timers on the desktop's virtual clock.
#include "SimObjects.h"

#include <algorithm>

CFAbsoluteTime CFAbsoluteTimeGetCurrent() {
  return sim::Desktop::current().now();
}

CFRunLoopRef CFRunLoopGetCurrent() {
  return sim::Desktop::current().currentProcess().state().runLoop;
}

CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef, CFAbsoluteTime fireDate,
                                       CFTimeInterval interval, CFOptionFlags, CFIndex,
                                       CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context) {
  sim::Desktop& desktop = sim::Desktop::current();
  // Named by its context where it says what it is, else by its callback.
  std::string name = desktop.functionName(reinterpret_cast<const void*>(callout));
  if (context && context->copyDescription) {
    CFStringRef description = context->copyDescription(context->info);
    name = std::string(CFStringGetView(description));
    CFRelease(description);
  }
  auto* timer = sim::Make<CFRunLoopTimerObject>("timer " + name);
  timer->name = name;
  timer->typeID = sim::kTimerType;
  timer->fireDate = fireDate;
  timer->interval = interval;
  timer->callout = callout;
  timer->info = context ? context->info : nullptr;
  if (context && context->retain) timer->info = const_cast<void*>(context->retain(timer->info));
  timer->releaseInfo = context ? context->release : nullptr;
  return timer;
}

namespace {

CFRunLoopTimerObject* LiveTimer(CFRunLoopTimerRef timer, const char* use) {
  sim::Object* object = sim::Lookup(timer, use);
  return object && object->typeID == sim::kTimerType ? static_cast<CFRunLoopTimerObject*>(object)
                                                     : nullptr;
}

void Unschedule(CFRunLoopTimerObject* timer) {
  std::erase(sim::Desktop::current().internals().scheduledTimers, timer);
  timer->modes.clear();
  CFRelease(timer);  // the run loop's reference
}

}  // namespace

void CFRunLoopAddTimer(CFRunLoopRef, CFRunLoopTimerRef timerRef, CFRunLoopMode mode) {
  sim::Desktop& desktop = sim::Desktop::current();
  CFRunLoopTimerObject* timer = LiveTimer(timerRef, "CFRunLoopAddTimer");
  if (timer == nullptr || !timer->valid) return;
  if (timer->modes.empty()) {
    CFRetain(timer);
    timer->order = ++desktop.internals().sequence;
    desktop.internals().scheduledTimers.push_back(timer);
  }
  timer->modes.insert(std::string(CFStringGetView(mode)));
  desktop.recordArmedTimer({desktop.now(), timer->fireDate, timer->name});
  if (desktop.tracing())
    desktop.trace("timer armed: " + timer->name + ", fires in " +
                  sim::FormatTime(timer->fireDate - desktop.now()) + " s");
}

void CFRunLoopRemoveTimer(CFRunLoopRef, CFRunLoopTimerRef timerRef, CFRunLoopMode mode) {
  sim::Desktop& desktop = sim::Desktop::current();
  CFRunLoopTimerObject* timer = LiveTimer(timerRef, "CFRunLoopRemoveTimer");
  if (timer == nullptr || !timer->modes.erase(std::string(CFStringGetView(mode)))) return;
  if (desktop.tracing()) desktop.trace("timer cancelled: " + timer->name);
  if (timer->modes.empty()) Unschedule(timer);
}

void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timerRef) {
  CFRunLoopTimerObject* timer = LiveTimer(timerRef, "CFRunLoopTimerInvalidate");
  if (timer == nullptr || !timer->valid) return;
  timer->valid = false;
  if (!timer->modes.empty()) Unschedule(timer);
}

Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timerRef) {
  CFRunLoopTimerObject* timer = LiveTimer(timerRef, "CFRunLoopTimerIsValid");
  return timer != nullptr && timer->valid;
}

CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timerRef) {
  CFRunLoopTimerObject* timer = LiveTimer(timerRef, "CFRunLoopTimerGetNextFireDate");
  return timer ? timer->fireDate : 0.0;
}

CFRunLoopMode CFRunLoopCopyCurrentMode(CFRunLoopRef loop) {
  return static_cast<CFRunLoopObject*>(loop)->process->runLoopMode();
}
