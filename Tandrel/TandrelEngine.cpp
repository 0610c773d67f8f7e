// The click-and-hold engine: watches every press, drag and release, times a still single
// primary press, and owes the release sequence once a contextual click has been posted.
#include "TandrelApp.h"
#include "TandrelContract.h"

#include <CoreGraphics/CGEvent.h>

#include <cmath>
#include <cstdlib>

float sPopupDelay = 0.0f;
HIPoint sLastMouseDownPosition = {0.0f, 0.0f};
CFRunLoopTimerRef sDisplayIndicatorTimer = nullptr;
CFRunLoopTimerRef sDisplayContextMenuTimer = nullptr;
SInt32 sIgnoreMouseEventCounter = 0;
Boolean sPostRightMouseUp = false;
SInt32 sWaitingForMouseUp = 0;

namespace {

// Arms a one-shot timer in the common modes and stores it in `slot`. When the desktop cannot make
// the timer the slot stays empty: a slot never names a timer that is not scheduled.
void TNDRArmTimer(CFRunLoopTimerRef& slot, float delay, CFRunLoopTimerCallBack callback) {
  CFAbsoluteTime fireDate = CFAbsoluteTimeGetCurrent() + double(delay);
  CFRunLoopTimerRef timer =
      CFRunLoopTimerCreate(kCFAllocatorDefault, fireDate, 0.0, 0, 0, callback, nullptr);
  if (timer == nullptr) return;
  slot = timer;
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
}

void TNDRDisarmTimer(CFRunLoopTimerRef& slot) {
  if (slot == nullptr) return;
  CFRunLoopRemoveTimer(CFRunLoopGetCurrent(), slot, kCFRunLoopCommonModes);
  CFRelease(slot);
  slot = nullptr;
}

void TNDRMouseDown(EventRef inEvent) {
  TNDRCancel();

  EventMouseButton button = 0;
  GetEventParameter(inEvent, kEventParamMouseButton, typeMouseButton, nullptr, sizeof(button),
                    nullptr, &button);
  if (button != kEventMouseButtonPrimary) return;

  UInt32 clickCount = 0;
  GetEventParameter(inEvent, kEventParamClickCount, typeUInt32, nullptr, sizeof(clickCount),
                    nullptr, &clickCount);
  if (clickCount != 1) return;

  UInt32 modifiers = 0;
  GetEventParameter(inEvent, kEventParamKeyModifiers, typeUInt32, nullptr, sizeof(modifiers),
                    nullptr, &modifiers);
  if (modifiers != 0) return;

  GetEventParameter(inEvent, kEventParamMouseLocation, typeHIPoint, nullptr,
                    sizeof(sLastMouseDownPosition), nullptr, &sLastMouseDownPosition);

  TNDRHoldDelays delays = TNDRComputeHoldDelays(sPopupDelay);
  TNDRArmTimer(sDisplayIndicatorTimer, delays.indicator, TNDRDisplayIndicatorTimerCallback);
  TNDRArmTimer(sDisplayContextMenuTimer, delays.menu, TNDRShowContextMenuTimerCallback);
}

// Tolerance is per axis against the press point, truncated toward zero: 4.9 keeps the hold.
bool TNDRIsBeyondTolerance(float pressCoordinate, float currentCoordinate) {
  SInt32 displacement = static_cast<SInt32>(pressCoordinate - currentCoordinate);
  return std::abs(displacement) > 4;
}

void TNDRMouseDragged(EventRef inEvent) {
  // Preset to the press point: a drag whose location cannot be read moves nothing.
  HIPoint current = sLastMouseDownPosition;
  GetEventParameter(inEvent, kEventParamMouseLocation, typeHIPoint, nullptr, sizeof(current),
                    nullptr, &current);
  if (TNDRIsBeyondTolerance(sLastMouseDownPosition.x, current.x)) {
    TNDRCancel();
    return;
  }
  if (TNDRIsBeyondTolerance(sLastMouseDownPosition.y, current.y)) TNDRCancel();
}

void TNDRMouseUp() {
  if (sPostRightMouseUp) {
    sPostRightMouseUp = false;
    // Release the secondary button that the contextual click pressed, then click the primary
    // at the press point, wherever the pointer has travelled since.
    CGPostMouseEvent(sLastMouseDownPosition, false, 2, false, false);
    CGPostMouseEvent(sLastMouseDownPosition, false, 1, true);
    CGPostMouseEvent(sLastMouseDownPosition, false, 1, false);
  }
  TNDRCancel();
}

}  // namespace

TNDRHoldDelays TNDRComputeHoldDelays(float popupDelay) {
  // A stored delay that is not a finite number is treated like a missing one.
  if (popupDelay <= 0.0f || !std::isfinite(popupDelay)) {
    float menu = TNDRDefaultPopupDelay();
    return {menu, menu * 0.5f};
  }
  if (double(popupDelay) < 0.1) return {0.1f, 0.05f};
  return {popupDelay, popupDelay * 0.5f};
}

OSStatus TNDRMouseDownEventHandler(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                   void* inUserData) {
  (void)inUserData;
  if (sIgnoreMouseEventCounter > 0) {
    --sIgnoreMouseEventCounter;
  } else {
    switch (GetEventKind(inEvent)) {
      case kEventMouseDown:
        if (sWaitingForMouseUp == 0) TNDRMouseDown(inEvent);
        break;
      case kEventMouseUp:
        sWaitingForMouseUp = 0;
        TNDRMouseUp();
        break;
      case kEventMouseDragged:
        TNDRMouseDragged(inEvent);
        break;
      default:
        break;
    }
  }
  return CallNextEventHandler(inHandlerCallRef, inEvent);
}

void TNDRCancel() {
  sWaitingForMouseUp = 0;
  TNDRDisarmTimer(sDisplayIndicatorTimer);
  TNDRDisarmTimer(sDisplayContextMenuTimer);
}

void TNDRDisplayIndicatorTimerCallback(CFRunLoopTimerRef timer, void* info) {
  (void)timer;
  (void)info;
  if (sDisplayIndicatorTimer != nullptr) CFRelease(sDisplayIndicatorTimer);
  sDisplayIndicatorTimer = nullptr;
}
