// What the accessibility service knows about the interface elements on the screen.
#pragma once

#include <CoreFoundation/CFBase.h>

using AXError = SInt32;
using AXUIElementRef = const struct AXUIElementObject*;

inline constexpr AXError kAXErrorSuccess = 0;
inline constexpr AXError kAXErrorFailure = -25200;
inline constexpr AXError kAXErrorIllegalArgument = -25201;
inline constexpr AXError kAXErrorInvalidUIElement = -25202;
inline constexpr AXError kAXErrorCannotComplete = -25204;
inline constexpr AXError kAXErrorAttributeUnsupported = -25205;
inline constexpr AXError kAXErrorNotImplemented = -25208;
inline constexpr AXError kAXErrorAPIDisabled = -25211;
inline constexpr AXError kAXErrorNoValue = -25212;

#define kAXRoleAttribute (CFSTR("AXRole"))

// Whether the user allows assistive applications to use the service.
Boolean AXAPIEnabled();

// An element that stands for the whole desktop. The caller owns it.
AXUIElementRef AXUIElementCreateSystemWide();

// The element at (x, y) in global screen coordinates, across all applications. On success the
// caller owns *element.
AXError AXUIElementCopyElementAtPosition(AXUIElementRef application, float x, float y,
                                         AXUIElementRef* element);

// An attribute's value. On success the caller owns *value.
AXError AXUIElementCopyAttributeValue(AXUIElementRef element, CFStringRef attribute,
                                      CFTypeRef* value);
