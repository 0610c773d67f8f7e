// Posting synthetic mouse events into the user's event stream.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreGraphics/CGGeometry.h>

using CGError = SInt32;
using CGButtonCount = UInt32;
using boolean_t = int;

inline constexpr CGError kCGErrorSuccess = 0;
inline constexpr CGError kCGErrorFailure = 1000;
inline constexpr CGError kCGErrorIllegalArgument = 1001;

// Gives buttons 1 (primary) to buttonCount the down states that follow, one boolean_t each, and
// posts the presses and releases that this change implies against the pointer's current button
// state, at `point`. With updateCursor false the pointer does not stay at `point`.
CGError CGPostMouseEvent(CGPoint point, boolean_t updateCursor, CGButtonCount buttonCount,
                         boolean_t mouseButtonDown, ...);
