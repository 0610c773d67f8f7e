// Posting: each call is recorded, and the presses and releases it implies come back later.
#include "SimObjects.h"

#include <CoreGraphics/CGEvent.h>

#include <cstdarg>

namespace sim {
void QueuePostedEvent(const MouseEvent& event);
}

CGError CGPostMouseEvent(CGPoint point, boolean_t updateCursor, CGButtonCount buttonCount,
                         boolean_t mouseButtonDown, ...) {
  sim::Desktop& desktop = sim::Desktop::current();
  if (buttonCount < 1 || buttonCount > 32) return kCGErrorIllegalArgument;
  std::vector<bool> down{mouseButtonDown != 0};
  va_list more;
  va_start(more, mouseButtonDown);
  for (CGButtonCount i = 1; i < buttonCount; ++i) down.push_back(va_arg(more, boolean_t) != 0);
  va_end(more);

  desktop.recordPost({desktop.now(), point, updateCursor != 0, buttonCount, down});
  std::string states;
  for (bool d : down) states += d ? " down" : " up";
  desktop.trace("posted at " + sim::Describe(point) + ":" + states);

  // Button n of the call is X-style button n: primary, secondary, tertiary.
  for (CGButtonCount i = 0; i < buttonCount; ++i) {
    EventMouseButton button = EventMouseButton(i + 1);
    if (desktop.isButtonDown(button) == down[i]) continue;
    desktop.setButtonDown(button, down[i]);
    sim::QueuePostedEvent(
        {down[i] ? kEventMouseDown : kEventMouseUp, button, UInt32(1), UInt32(0), point, true});
  }
  if (updateCursor) desktop.setPointer(point);
  return kCGErrorSuccess;
}
