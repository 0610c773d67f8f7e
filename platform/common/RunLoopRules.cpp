#include "RunLoopRules.h"

#include <algorithm>
#include <cmath>

CFRunLoopMode kCFRunLoopDefaultModeName() {
  return CFSTR("kCFRunLoopDefaultMode");
}
CFRunLoopMode kCFRunLoopCommonModesName() {
  return CFSTR("kCFRunLoopCommonModes");
}
CFRunLoopMode NSEventTrackingRunLoopModeName() {
  return CFSTR("NSEventTrackingRunLoopMode");
}
CFRunLoopMode NSModalPanelRunLoopModeName() {
  return CFSTR("NSModalPanelRunLoopMode");
}

namespace platform_common {

bool TimerMayFireInMode(const std::set<std::string>& modes, std::string_view current) {
  if (modes.contains(std::string(current))) return true;
  return modes.contains(std::string(CFStringGetView(kCFRunLoopCommonModes))) &&
         (current == CFStringGetView(kCFRunLoopDefaultMode) ||
          current == CFStringGetView(NSEventTrackingRunLoopMode) ||
          current == CFStringGetView(NSModalPanelRunLoopMode));
}

CFAbsoluteTime NextRepeatingFireDate(CFAbsoluteTime fireDate, CFTimeInterval interval,
                                     CFAbsoluteTime now) {
  double missed = std::floor((now - fireDate) / interval) + 1.0;
  return fireDate + std::max(1.0, missed) * interval;
}

}  // namespace platform_common
