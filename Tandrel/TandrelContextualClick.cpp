// The contextual click: when the hold has lasted the full delay, ask accessibility what lies under
// the press point and, for a listed role, press the secondary button while the primary is held.
#include "TandrelApp.h"

#include <CoreGraphics/CGEvent.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSString.h>

#include <array>

AXUIElementRef sSystemWideElement = nullptr;

namespace {

// Elements whose applications show a contextual menu for them. Matched case-sensitively, in order.
const std::array<CFStringRef, 11>& TNDRContextualRoles() {
  static const std::array<CFStringRef, 11> roles = {
      CFSTR("AXStaticText"),  CFSTR("AXFinderItem"), CFSTR("AXOutline"),    CFSTR("AXRow"),
      CFSTR("AXApplication"), CFSTR("AXGroup"),      CFSTR("AXScrollArea"), CFSTR("AXWebArea"),
      CFSTR("AXImage"),       CFSTR("AXWindow"),     CFSTR("AXToolbar"),
  };
  return roles;
}

bool TNDRIsContextualRole(CFTypeRef role) {
  // A role that is not a string names no listed role.
  if (role == nullptr || CFGetTypeID(role) != CFStringGetTypeID()) return false;
  CFStringRef roleString = static_cast<CFStringRef>(role);
  for (CFStringRef listed : TNDRContextualRoles()) {
    if (NSStringCompare(roleString, listed) == NSOrderedSame) return true;
  }
  return false;
}

}  // namespace

void TNDRShowContextMenuTimerCallback(CFRunLoopTimerRef timer, void* info) {
  (void)timer;
  (void)info;
  if (sDisplayContextMenuTimer != nullptr) CFRelease(sDisplayContextMenuTimer);
  sDisplayContextMenuTimer = nullptr;

  if (!AXAPIEnabled()) return;
  if (sSystemWideElement == nullptr) sSystemWideElement = AXUIElementCreateSystemWide();

  AXUIElementRef element = nullptr;
  AXError error = AXUIElementCopyElementAtPosition(sSystemWideElement, sLastMouseDownPosition.x,
                                                   sLastMouseDownPosition.y, &element);
  if (error != kAXErrorSuccess) {
    NSLog("Error AXUIElementCopyElementAtPosition %d", error);
    return;
  }

  CFTypeRef role = nullptr;
  error = AXUIElementCopyAttributeValue(element, kAXRoleAttribute, &role);
  if (error != kAXErrorSuccess) {
    NSLog("Error AXUIElementCopyAttributeValue %d", error);
    CFRelease(element);
    return;
  }

  if (TNDRIsContextualRole(role)) {
    // First the buttons as the user holds them, then the secondary press on top.
    CGPostMouseEvent(sLastMouseDownPosition, false, 2, true, false);
    CGPostMouseEvent(sLastMouseDownPosition, false, 2, true, true);
    // Only now: the posted events reach the monitor after this callback has returned.
    sIgnoreMouseEventCounter = 1;
    sPostRightMouseUp = true;
  }

  if (role != nullptr) CFRelease(role);
  CFRelease(element);
}
