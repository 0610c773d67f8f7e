#include <Foundation/NSTimer.h>

#include <algorithm>
#include <vector>

// --- timers: each one owns nothing of the run loop's; its CF timer owns it.

NSTimer::NSTimer(NSTimeInterval interval, Action action, bool repeats)
    : interval_(repeats ? interval : 0.0), action_(std::move(action)) {}

NSTimer::~NSTimer() {
  if (whenGone_) whenGone_();
}

NSTimer* NSTimer::scheduledTimerWithTimeInterval(NSTimeInterval interval, Action action,
                                                 bool repeats) {
  auto* timer = new NSTimer(interval, std::move(action), repeats);
  CFRunLoopTimerContext context{0, timer, nullptr, &NSTimer::Release,
                                [](const void*) { return CFSTR("NSTimer"); }};
  timer->timer_ = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + interval,
                                       timer->interval_, 0, 0, &NSTimer::Fire, &context);
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer->timer_, kCFRunLoopDefaultMode);
  // From here on only the run loop holds the timer.
  CFRelease(timer->timer_);
  return timer;
}

void NSTimer::Fire(CFRunLoopTimerRef, void* info) {
  auto* timer = static_cast<NSTimer*>(info);
  Action action = timer->action_;  // the action may invalidate the timer
  action(timer);
}

void NSTimer::Release(const void* info) {
  delete static_cast<const NSTimer*>(info);
}

void NSTimer::invalidate() {
  CFRunLoopTimerInvalidate(timer_);
}

bool NSTimer::isValid() const {
  return CFRunLoopTimerIsValid(timer_);
}

NSRunLoop* NSRunLoop::currentRunLoop() {
  // Stateless: it stands for whichever run loop is current when it is used.
  static NSRunLoop loop;
  return &loop;
}

void NSRunLoop::addTimer(NSTimer* timer, CFRunLoopMode mode) {
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer->cfTimer(), mode);
}

// --- delayed performs: one-shot timers, remembered until they fire or are cancelled.

struct NSPerformRequests {
  struct Request {
    NSObject* target;
    NSSelectorKey selector;
    NSObject* object;
    NSTimer* timer;
  };
  static std::vector<Request>& all() {
    static std::vector<Request> requests;
    return requests;
  }
  static void forget(NSTimer* timer) {
    std::erase_if(all(), [&](const Request& r) { return r.timer == timer; });
  }
  static void setWhenGone(NSTimer* timer) {
    timer->whenGone_ = [timer] { forget(timer); };
  }
};

void NSObject::performRequest(NSObject* target, NSSelectorKey selector, NSObject* object,
                              NSTimeInterval delay, std::function<void()> call) {
  NSTimer* timer = NSTimer::scheduledTimerWithTimeInterval(
      delay,
      [call = std::move(call)](NSTimer* self) {
        NSPerformRequests::forget(self);
        call();
      },
      false);
  NSPerformRequests::setWhenGone(timer);
  NSPerformRequests::all().push_back({target, std::move(selector), object, timer});
}

void NSObject::cancelPerformRequests(NSObject* target, const NSSelectorKey& selector,
                                     NSObject* object, bool all) {
  std::vector<NSTimer*> cancelled;
  for (const auto& r : NSPerformRequests::all()) {
    if (r.target == target && (all || (r.selector == selector && r.object == object))) {
      cancelled.push_back(r.timer);
    }
  }
  for (NSTimer* timer : cancelled) timer->invalidate();
}
