// Posting with XTest: only the buttons whose state changes are pressed or released.
#include <CoreGraphics/CGEvent.h>
#include <Foundation/NSLog.h>

#include <tandrel/desktop/x_test_poster.h>

#include <cstdarg>
#include <memory>
#include <vector>

CGError CGPostMouseEvent(CGPoint point, boolean_t updateCursor, CGButtonCount buttonCount,
                         boolean_t mouseButtonDown, ...) {
  static std::unique_ptr<tandrel::desktop::XTestPoster> poster = [] {
    tandrel::desktop::PosterError error = tandrel::desktop::PosterError::none;
    auto made = tandrel::desktop::XTestPoster::create("", &error);
    if (!made) NSLog("Cannot post mouse events: %s", tandrel::desktop::describe(error));
    return made;
  }();
  if (buttonCount < 1 || buttonCount > 32) return kCGErrorIllegalArgument;
  if (!poster) return kCGErrorFailure;

  // The poster's list is primary, secondary, tertiary, like the call's.
  bool states[32];
  states[0] = mouseButtonDown != 0;
  va_list more;
  va_start(more, mouseButtonDown);
  for (CGButtonCount i = 1; i < buttonCount; ++i) states[i] = va_arg(more, boolean_t) != 0;
  va_end(more);
  poster->post(point.x, point.y, updateCursor != 0,
               std::span<const bool>(states, std::min<CGButtonCount>(buttonCount, 3)));
  return kCGErrorSuccess;
}
