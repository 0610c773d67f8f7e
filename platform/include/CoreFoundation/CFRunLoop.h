// The run loop of the calling thread, its modes and one-shot or repeating timers.
#pragma once

#include <CoreFoundation/CFBase.h>

using CFRunLoopRef = struct CFRunLoopObject*;
using CFRunLoopTimerRef = struct CFRunLoopTimerObject*;
using CFRunLoopMode = CFStringRef;

// When `release` is given, the timer calls it with `info` once the timer itself is gone, so that
// whatever `info` points to can live exactly as long as the timer.
struct CFRunLoopTimerContext {
  CFIndex version;
  void* info;
  const void* (*retain)(const void* info) = nullptr;
  void (*release)(const void* info) = nullptr;
  CFStringRef (*copyDescription)(const void* info) = nullptr;
};

using CFRunLoopTimerCallBack = void (*)(CFRunLoopTimerRef timer, void* info);

// The modes a run loop can run in. A timer added in the common modes fires in each of them.
CFRunLoopMode kCFRunLoopDefaultModeName();
CFRunLoopMode kCFRunLoopCommonModesName();
CFRunLoopMode NSEventTrackingRunLoopModeName();
CFRunLoopMode NSModalPanelRunLoopModeName();
#define kCFRunLoopDefaultMode (kCFRunLoopDefaultModeName())
#define kCFRunLoopCommonModes (kCFRunLoopCommonModesName())
#define NSEventTrackingRunLoopMode (NSEventTrackingRunLoopModeName())
#define NSModalPanelRunLoopMode (NSModalPanelRunLoopModeName())

// Seconds since the reference date, from a clock that never runs backwards.
CFAbsoluteTime CFAbsoluteTimeGetCurrent();

CFRunLoopRef CFRunLoopGetCurrent();

// A timer that fires at fireDate and then every `interval` seconds (never again when 0).
// The caller owns the returned reference. The context's info, if any, is passed to the callback.
CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef allocator, CFAbsoluteTime fireDate,
                                       CFTimeInterval interval, CFOptionFlags flags, CFIndex order,
                                       CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context);
// Schedules the timer; the run loop keeps a reference of its own while it is scheduled and drops
// it once a one-shot timer has fired or the timer is removed.
void CFRunLoopAddTimer(CFRunLoopRef loop, CFRunLoopTimerRef timer, CFRunLoopMode mode);
// Unschedules the timer in that mode; it will not fire there.
void CFRunLoopRemoveTimer(CFRunLoopRef loop, CFRunLoopTimerRef timer, CFRunLoopMode mode);
// Stops the timer for good, in every mode.
void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer);
Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer);
CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer);
// The mode the loop runs in now, or null when it is not running.
CFRunLoopMode CFRunLoopCopyCurrentMode(CFRunLoopRef loop);
