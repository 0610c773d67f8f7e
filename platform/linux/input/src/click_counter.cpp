#include "tandrel/desktop/click_counter.h"

#include <cmath>

namespace tandrel::desktop {

int ClickCounter::press(unsigned button, std::uint32_t time, float x, float y) {
  // Unsigned difference: X time wraps every 49.7 days, and a clock that went backwards gives a
  // huge gap, which starts a new run.
  const std::uint32_t since = time - last_time_;
  const bool continues = count_ > 0 && button == button_ && since < interval_.count() &&
                         std::fabs(x - first_x_) <= distance_ &&
                         std::fabs(y - first_y_) <= distance_;
  if (continues) {
    ++count_;
  } else {
    count_ = 1;
    button_ = button;
    first_x_ = x;
    first_y_ = y;
  }
  last_time_ = time;
  return count_;
}

}  // namespace tandrel::desktop
