// Points, sizes and rectangles of the interface, in 32-bit floats like the desktop's own points.
#pragma once

#include <CoreGraphics/CGGeometry.h>

using NSPoint = CGPoint;

struct NSSize {
  CGFloat width;
  CGFloat height;
};

struct NSRect {
  NSPoint origin;
  NSSize size;
};

inline NSPoint NSMakePoint(CGFloat x, CGFloat y) {
  return {x, y};
}
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  return {{x, y}, {width, height}};
}
inline bool NSEqualPoints(NSPoint a, NSPoint b) {
  return a.x == b.x && a.y == b.y;
}
// The minimum edges count as inside, the maximum edges as outside.
inline bool NSPointInRect(NSPoint point, NSRect rect) {
  return point.x >= rect.origin.x && point.y >= rect.origin.y &&
         point.x < rect.origin.x + rect.size.width && point.y < rect.origin.y + rect.size.height;
}
