// Rules of run loops that every desktop keeps the same way.
#pragma once

#include <CoreFoundation/CFRunLoop.h>

#include <set>
#include <string>
#include <string_view>

namespace platform_common {

// Whether a timer scheduled in `modes` may fire while its run loop runs in `current`. The common
// modes stand for the default, event-tracking and modal-panel modes.
bool TimerMayFireInMode(const std::set<std::string>& modes, std::string_view current);

// A repeating timer's next date after it fired at `fireDate`: on the grid of its first date,
// skipping the dates already past at `now`.
CFAbsoluteTime NextRepeatingFireDate(CFAbsoluteTime fireDate, CFTimeInterval interval,
                                     CFAbsoluteTime now);

}  // namespace platform_common
