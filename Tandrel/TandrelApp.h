// The click-and-hold engine's state and functions, shared by the engine, the contextual-click
// trigger and the application controller. Everything here runs on the main thread only.
#pragma once

#include <ApplicationServices/Accessibility.h>
#include <Carbon/CarbonEvents.h>
#include <CoreFoundation/CFRunLoop.h>

// The user's hold delay in seconds; 0 or below means the default delay.
extern float sPopupDelay;
// The press point of the last candidate press, exactly as the event gave it.
extern HIPoint sLastMouseDownPosition;
// Armed timers, or null. A non-null slot always names a timer that is scheduled and not yet fired.
extern CFRunLoopTimerRef sDisplayIndicatorTimer;
extern CFRunLoopTimerRef sDisplayContextMenuTimer;
// How many upcoming monitored events pass on without being examined.
extern SInt32 sIgnoreMouseEventCounter;
// Set once a contextual click is posted: the next examined release owes the release sequence.
extern Boolean sPostRightMouseUp;
// Cleared by every release and cancel; a press that finds it set passes on untouched.
extern SInt32 sWaitingForMouseUp;
// The desktop's system-wide accessibility element, made at the first use and kept for life.
extern AXUIElementRef sSystemWideElement;

// The monitor's installation record.
extern EventHandlerUPP TNDRMouseDownEventHandleFunction;
extern EventHandlerRef TNDRMouseDownEventHandlerRef;

OSStatus TNDRMouseDownEventHandler(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                   void* inUserData);
void TNDRCancel();
void TNDRDisplayIndicatorTimerCallback(CFRunLoopTimerRef timer, void* info);
void TNDRShowContextMenuTimerCallback(CFRunLoopTimerRef timer, void* info);

// The delays of the hold that starts now, from sPopupDelay and the double-click interval.
struct TNDRHoldDelays {
  float menu;
  float indicator;
};
TNDRHoldDelays TNDRComputeHoldDelays(float popupDelay);
