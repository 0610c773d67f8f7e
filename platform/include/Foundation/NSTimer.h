// Timers on the run loop of the calling thread, in one or more of its modes.
#pragma once

#include <CoreFoundation/CFRunLoop.h>
#include <Foundation/NSObject.h>

#include <functional>

class NSTimer : public NSObject {
 public:
  using Action = std::function<void(NSTimer*)>;

  // A timer on the current run loop in its default mode, first firing `interval` seconds from
  // now. The run loop holds it: a one-shot timer goes once it has fired, a repeating one once it
  // is invalidated. Whoever keeps the pointer keeps a plain reference that ends with the timer.
  static NSTimer* scheduledTimerWithTimeInterval(NSTimeInterval interval, Action action,
                                                 bool repeats);
  // The same with a target and selector; the selector takes the timer (or any base of it).
  template <class Target, class Sender>
  static NSTimer* scheduledTimerWithTimeInterval(NSTimeInterval interval, Target* target,
                                                 void (Target::*selector)(Sender*),
                                                 std::nullptr_t userInfo, bool repeats) {
    (void)userInfo;
    return scheduledTimerWithTimeInterval(
        interval, [target, selector](NSTimer* timer) { (target->*selector)(timer); }, repeats);
  }

  // Stops the timer for good; it is gone when this returns, or when its own action returns if
  // it is running now.
  void invalidate();
  bool isValid() const;
  NSTimeInterval timeInterval() const { return interval_; }
  CFRunLoopTimerRef cfTimer() const { return timer_; }

  ~NSTimer() override;

 private:
  friend class NSRunLoop;
  NSTimer(NSTimeInterval interval, Action action, bool repeats);
  static void Fire(CFRunLoopTimerRef timer, void* info);
  static void Release(const void* info);

  NSTimeInterval interval_;
  Action action_;
  CFRunLoopTimerRef timer_ = nullptr;  // lives exactly as long as this object
  std::function<void()> whenGone_;

  friend struct NSPerformRequests;
};

// The run loop of the calling thread.
class NSRunLoop {
 public:
  static NSRunLoop* currentRunLoop();
  // Adds the timer to another mode as well; it fires in every mode it is in.
  void addTimer(NSTimer* timer, CFRunLoopMode mode);
  CFRunLoopRef getCFRunLoop() const { return CFRunLoopGetCurrent(); }
};
