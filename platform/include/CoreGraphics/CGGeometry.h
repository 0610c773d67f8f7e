// Points in global screen coordinates, as the mouse events give them.
#pragma once

using CGFloat = float;

struct CGPoint {
  CGFloat x;
  CGFloat y;
};
