#pragma once

// Counts quick presses the way GTK does: a press continues the run when it is the same button,
// comes before the double-click interval has passed since the previous press, and lies within
// the distance (on each axis) of the run's first press. Unlike GTK the count is not capped at 3.

#include <chrono>
#include <cstdint>

namespace tandrel::desktop {

class ClickCounter {
 public:
  static constexpr std::chrono::milliseconds kDefaultInterval{400};
  static constexpr int kDefaultDistance = 5;  // pixels, GTK's default

  void setInterval(std::chrono::milliseconds interval) { interval_ = interval; }
  std::chrono::milliseconds interval() const { return interval_; }
  void setDistance(int pixels) { distance_ = pixels; }
  int distance() const { return distance_; }

  // The click count of a press at X server time `time` (ms, wraps at 2^32).
  int press(unsigned button, std::uint32_t time, float x, float y);
  int current() const { return count_; }
  void reset() { count_ = 0; }

 private:
  std::chrono::milliseconds interval_ = kDefaultInterval;
  int distance_ = kDefaultDistance;
  int count_ = 0;  // 0: no run to continue
  unsigned button_ = 0;
  std::uint32_t last_time_ = 0;
  float first_x_ = 0;
  float first_y_ = 0;
};

}  // namespace tandrel::desktop
