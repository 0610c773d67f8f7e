// The simulated desktop keeps the promises the system relies on from a real one: posting only
// changes of button state, asynchronous notifications, timers in run-loop modes, and a count of
// every reference so that a leak or an extra release shows.
#include <CoreGraphics/CGEvent.h>
#include <Foundation/NSNotification.h>
#include <SimDesktop.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

int gFired = 0;
void CountFiring(CFRunLoopTimerRef, void*) {
  ++gFired;
}

CFRunLoopTimerRef ScheduleIn(double seconds, CFRunLoopMode mode, double interval = 0.0) {
  CFRunLoopTimerRef timer = CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + seconds,
                                                 interval, 0, 0, CountFiring, nullptr);
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, mode);
  return timer;
}

TEST(SimDesktopTest, PostingPressesOnlyTheButtonsWhoseStateChanges) {
  sim::Desktop desktop;
  desktop.press({10, 10});
  CGPostMouseEvent({10, 10}, false, 2, true, false);  // already so: nothing happens
  desktop.runFor(0.1);
  EXPECT_EQ(desktop.monitorRecords().size(), 1u);
  CGPostMouseEvent({10, 10}, false, 2, true, true);
  EXPECT_EQ(desktop.monitorRecords().size(), 1u) << "posted events come back later";
  desktop.runFor(0.1);
  ASSERT_EQ(desktop.monitorRecords().size(), 2u);
  EXPECT_EQ(desktop.monitorRecords()[1].event.button, kEventMouseButtonSecondary);
  EXPECT_TRUE(desktop.monitorRecords()[1].event.posted);
  EXPECT_EQ(desktop.postedCalls().size(), 2u);
}

TEST(SimDesktopTest, TimersFireOnlyInTheirModes) {
  sim::Desktop desktop;
  gFired = 0;
  CFRunLoopTimerRef common = ScheduleIn(1.0, kCFRunLoopCommonModes);
  CFRunLoopTimerRef plain = ScheduleIn(1.0, kCFRunLoopDefaultMode);
  desktop.testProcess().setRunLoopMode(NSEventTrackingRunLoopMode);
  desktop.runFor(2.0);
  EXPECT_EQ(gFired, 1);
  desktop.testProcess().setRunLoopMode(kCFRunLoopDefaultMode);
  desktop.runFor(0.0);
  EXPECT_EQ(gFired, 2) << "the default-mode timer fires late, once the mode allows it";
  CFRelease(common);
  CFRelease(plain);
  EXPECT_EQ(desktop.liveObjectCount(), 0);
}

TEST(SimDesktopTest, RepeatingTimersKeepTheirGridAndStopWhenInvalidated) {
  sim::Desktop desktop;
  gFired = 0;
  CFRunLoopTimerRef timer = ScheduleIn(0.5, kCFRunLoopDefaultMode, 0.5);
  desktop.runFor(2.2);
  EXPECT_EQ(gFired, 4);
  EXPECT_DOUBLE_EQ(CFRunLoopTimerGetNextFireDate(timer), 1002.5);
  CFRunLoopTimerInvalidate(timer);
  desktop.runFor(2.0);
  EXPECT_EQ(gFired, 4);
  CFRelease(timer);
  EXPECT_EQ(desktop.liveObjectCount(), 0);
}

TEST(SimDesktopTest, ReferenceCountingShowsLeaksAndExtraReleases) {
  sim::Desktop desktop;
  CFRunLoopTimerRef timer = ScheduleIn(1.0, kCFRunLoopDefaultMode);
  EXPECT_EQ(desktop.liveObjectCount(), 1);
  desktop.runFor(2.0);
  EXPECT_EQ(desktop.liveObjectCount(), 1) << "the creator's reference is still owed";
  CFRelease(timer);
  EXPECT_EQ(desktop.liveObjectCount(), 0);
  EXPECT_TRUE(desktop.releaseFaults().empty());
  CFRelease(timer);
  EXPECT_EQ(desktop.releaseFaults().size(), 1u);
  CFRelease(CFSTR("constant"));  // constants ignore it
  EXPECT_EQ(desktop.releaseFaults().size(), 1u);
}

TEST(SimDesktopTest, DistributedNotificationsReachEveryObservingProcessLater) {
  sim::Desktop desktop;
  sim::Process& other = desktop.spawn("other");
  std::vector<std::string> received;
  for (sim::Process* p : {&desktop.testProcess(), &other}) {
    sim::ProcessScope scope(*p);
    NSDistributedNotificationCenter::defaultCenter()->addObserverWithHandler(
        nullptr,
        [&received, p](NSNotification* n) { received.push_back(p->name() + " " + n->name); },
        "hello", nullptr);
  }
  NSDistributedNotificationCenter::defaultCenter()->postNotificationName("hello", nullptr);
  NSDistributedNotificationCenter::defaultCenter()->postNotificationName("nobody", nullptr);
  EXPECT_TRUE(received.empty());
  desktop.runFor(0.0);
  EXPECT_THAT(received, ::testing::ElementsAre("test hello", "other hello"));
}

}  // namespace
