// Mouse events of the whole desktop as a monitor sees them, and the double-click interval.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreGraphics/CGGeometry.h>

#include <cstddef>

using OSStatus = SInt32;
using OSErr = SInt16;
using ItemCount = unsigned long;
using ByteCount = unsigned long;
using EventKind = UInt32;
using EventParamName = UInt32;
using EventParamType = UInt32;
using EventMouseButton = UInt16;
using HIPoint = CGPoint;

using EventRef = struct EventObject*;
using EventHandlerRef = struct EventHandlerObject*;
using EventHandlerCallRef = struct EventHandlerCallObject*;
using EventTargetRef = struct EventTargetObject*;

using EventHandlerProcPtr = OSStatus (*)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                         void* inUserData);
using EventHandlerUPP = EventHandlerProcPtr;

struct EventTypeSpec {
  UInt32 eventClass;
  UInt32 eventKind;
};

// Four-character codes, as the event parameters are named.
constexpr UInt32 FourCharCode(const char (&code)[5]) {
  return (UInt32(UInt8(code[0])) << 24) | (UInt32(UInt8(code[1])) << 16) |
         (UInt32(UInt8(code[2])) << 8) | UInt32(UInt8(code[3]));
}

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus eventParameterNotFoundErr = -9870;
inline constexpr OSStatus eventNotHandledErr = -9874;
inline constexpr OSStatus eventInternalErr = -9868;
inline constexpr OSStatus paramErr = -50;

inline constexpr UInt32 kEventClassMouse = FourCharCode("mous");
inline constexpr EventKind kEventMouseDown = 1;
inline constexpr EventKind kEventMouseUp = 2;
inline constexpr EventKind kEventMouseMoved = 5;
inline constexpr EventKind kEventMouseDragged = 6;

inline constexpr EventParamName kEventParamMouseButton = FourCharCode("mbtn");
inline constexpr EventParamName kEventParamClickCount = FourCharCode("ccnt");
inline constexpr EventParamName kEventParamKeyModifiers = FourCharCode("kmod");
inline constexpr EventParamName kEventParamMouseLocation = FourCharCode("mloc");
inline constexpr EventParamType typeMouseButton = FourCharCode("mbtn");
inline constexpr EventParamType typeUInt32 = FourCharCode("magn");
inline constexpr EventParamType typeHIPoint = FourCharCode("hipt");

inline constexpr EventMouseButton kEventMouseButtonPrimary = 1;
inline constexpr EventMouseButton kEventMouseButtonSecondary = 2;
inline constexpr EventMouseButton kEventMouseButtonTertiary = 3;

// Bits of the modifier word. Caps lock counts as a modifier; num lock is not one.
inline constexpr UInt32 cmdKey = 1 << 8;
inline constexpr UInt32 shiftKey = 1 << 9;
inline constexpr UInt32 alphaLock = 1 << 10;
inline constexpr UInt32 optionKey = 1 << 11;
inline constexpr UInt32 controlKey = 1 << 12;

EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr handler);

// The target that receives every application's mouse events, for watching only.
EventTargetRef GetEventMonitorTarget();

// Installs a handler for the listed event types. Returns noErr, or a non-zero status when the
// desktop cannot watch the mouse; *outRef is set only on success.
OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, ItemCount numTypes,
                             const EventTypeSpec* list, void* userData, EventHandlerRef* outRef);
OSStatus RemoveEventHandler(EventHandlerRef handlerRef);

UInt32 GetEventClass(EventRef event);
EventKind GetEventKind(EventRef event);

// Copies a parameter into outData when the event has it with that type and size; otherwise the
// buffer is left as it was and the status says why.
OSStatus GetEventParameter(EventRef event, EventParamName name, EventParamType desiredType,
                           EventParamType* outActualType, ByteCount bufferSize,
                           ByteCount* outActualSize, void* outData);

// Passes the event on to the next handler and returns what that handler returned.
OSStatus CallNextEventHandler(EventHandlerCallRef inHandlerCallRef, EventRef inEvent);

// The user's double-click interval in ticks of 1/60 second.
UInt32 GetDblTime();
