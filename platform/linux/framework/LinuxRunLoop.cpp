// Run-loop timers on the GLib main loop. A timer is a GSource with a ready time on the monotonic
// clock, so an idle process has no wakeups but its timers'.
#include "LinuxObjects.h"

#include <RunLoopRules.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace linux_desktop {
namespace {

std::string gMode = "kCFRunLoopDefaultMode";
std::vector<CFRunLoopTimerObject*> gWaitingForMode;

struct TimerSource {
  GSource source;
  CFRunLoopTimerObject* timer;
};

bool MayFireNow(const CFRunLoopTimerObject& timer) {
  return platform_common::TimerMayFireInMode(timer.modes, gMode);
}

gint64 ReadyTime(CFAbsoluteTime date) {
  return gint64(std::ceil(date * 1e6));
}

gboolean DispatchTimer(GSource* source, GSourceFunc, gpointer) {
  CFRunLoopTimerObject* timer = reinterpret_cast<TimerSource*>(source)->timer;
  if (!MayFireNow(*timer)) {
    g_source_set_ready_time(source, -1);
    gWaitingForMode.push_back(timer);
    return G_SOURCE_CONTINUE;
  }
  CFRetain(timer);  // through its own callback, whatever the callback releases
  timer->callout(timer, timer->info);
  if (timer->valid && timer->interval > 0.0 && timer->source != nullptr) {
    timer->fireDate = platform_common::NextRepeatingFireDate(timer->fireDate, timer->interval,
                                                             CFAbsoluteTimeGetCurrent());
    g_source_set_ready_time(timer->source, ReadyTime(timer->fireDate));
  } else if (timer->source != nullptr) {
    CFRunLoopTimerInvalidate(timer);
  }
  CFRelease(timer);
  return G_SOURCE_CONTINUE;
}

GSourceFuncs gTimerFuncs = {nullptr, nullptr, DispatchTimer, nullptr, nullptr, nullptr};

void Unschedule(CFRunLoopTimerObject* timer) {
  std::erase(gWaitingForMode, timer);
  if (timer->source != nullptr) {
    g_source_destroy(timer->source);
    g_source_unref(timer->source);
    timer->source = nullptr;
  }
  timer->modes.clear();
  CFRelease(timer);  // the run loop's reference
}

}  // namespace

void SetRunLoopMode(CFRunLoopMode mode) {
  gMode = std::string(CFStringGetView(mode));
  std::vector<CFRunLoopTimerObject*> waiting;
  waiting.swap(gWaitingForMode);
  for (CFRunLoopTimerObject* timer : waiting) {
    if (timer->source) g_source_set_ready_time(timer->source, ReadyTime(timer->fireDate));
  }
}

}  // namespace linux_desktop

CFRunLoopTimerObject::~CFRunLoopTimerObject() {
  if (releaseInfo != nullptr) releaseInfo(info);
}

CFAbsoluteTime CFAbsoluteTimeGetCurrent() {
  return double(g_get_monotonic_time()) / 1e6;
}

CFRunLoopRef CFRunLoopGetCurrent() {
  static linux_desktop::Object mainLoop(linux_desktop::kRunLoopType);
  mainLoop.constant = true;
  return reinterpret_cast<CFRunLoopRef>(&mainLoop);
}

CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef, CFAbsoluteTime fireDate,
                                       CFTimeInterval interval, CFOptionFlags, CFIndex,
                                       CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context) {
  if (callout == nullptr || !std::isfinite(fireDate)) return nullptr;
  auto* timer = new CFRunLoopTimerObject;
  timer->fireDate = fireDate;
  timer->interval = interval;
  timer->callout = callout;
  timer->info = context ? context->info : nullptr;
  if (context && context->retain) timer->info = const_cast<void*>(context->retain(timer->info));
  timer->releaseInfo = context ? context->release : nullptr;
  return timer;
}

void CFRunLoopAddTimer(CFRunLoopRef, CFRunLoopTimerRef timer, CFRunLoopMode mode) {
  if (timer == nullptr || !timer->valid) return;
  if (timer->source == nullptr) {
    CFRetain(timer);
    GSource* source = g_source_new(&linux_desktop::gTimerFuncs, sizeof(linux_desktop::TimerSource));
    reinterpret_cast<linux_desktop::TimerSource*>(source)->timer = timer;
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_ready_time(source, linux_desktop::ReadyTime(timer->fireDate));
    g_source_attach(source, nullptr);
    timer->source = source;
  }
  timer->modes.insert(std::string(CFStringGetView(mode)));
}

void CFRunLoopRemoveTimer(CFRunLoopRef, CFRunLoopTimerRef timer, CFRunLoopMode mode) {
  if (timer == nullptr || !timer->modes.erase(std::string(CFStringGetView(mode)))) return;
  if (timer->modes.empty()) linux_desktop::Unschedule(timer);
}

void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer) {
  if (timer == nullptr || !timer->valid) return;
  timer->valid = false;
  if (timer->source != nullptr) linux_desktop::Unschedule(timer);
}

Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer) {
  return timer && timer->valid;
}

CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer) {
  return timer ? timer->fireDate : 0.0;
}

CFRunLoopMode CFRunLoopCopyCurrentMode(CFRunLoopRef) {
  return CFSTR(linux_desktop::gMode);
}
