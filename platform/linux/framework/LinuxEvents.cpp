// The mouse monitor over the X RECORD extension: every press, release and drag on the display,
// watched without grabbing anything, and the double-click interval from XSettings.
#include <Carbon/CarbonEvents.h>
#include <EventParameters.h>
#include <Foundation/NSLog.h>

#include <tandrel/desktop/x_record_monitor.h>
#include <tandrel/desktop/x_settings_reader.h>

#include <memory>
#include <optional>

struct EventObject {
  EventKind kind;
  EventMouseButton button;
  UInt32 clickCount;
  UInt32 modifiers;
  HIPoint location;
};

struct EventHandlerObject {
  EventHandlerUPP handler;
  void* userData;
  bool presses = false, releases = false, drags = false;
};

namespace {

using tandrel::desktop::MouseEvent;
using tandrel::desktop::MouseEventKind;

struct Monitor {
  std::unique_ptr<tandrel::desktop::XRecordMonitor> record;
  std::unique_ptr<EventHandlerObject> handler;
};

Monitor& TheMonitor() {
  static Monitor monitor;
  return monitor;
}

tandrel::desktop::XSettingsReader* Settings() {
  static std::unique_ptr<tandrel::desktop::XSettingsReader> reader =
      tandrel::desktop::XSettingsReader::open("");
  return reader.get();
}

// X buttons 1, 3 and 2 are the primary, secondary and tertiary buttons.
EventMouseButton CarbonButton(unsigned xButton) {
  switch (xButton) {
    case 1:
      return kEventMouseButtonPrimary;
    case 3:
      return kEventMouseButtonSecondary;
    case 2:
      return kEventMouseButtonTertiary;
    default:
      return EventMouseButton(xButton);
  }
}

UInt32 CarbonModifiers(std::uint32_t flags) {
  UInt32 word = 0;
  if (flags & tandrel::desktop::kModifierShift) word |= shiftKey;
  if (flags & tandrel::desktop::kModifierControl) word |= controlKey;
  if (flags & tandrel::desktop::kModifierOption) word |= optionKey;
  if (flags & tandrel::desktop::kModifierCommand) word |= cmdKey;
  if (flags & tandrel::desktop::kModifierCapsLock) word |= alphaLock;
  return word;
}

void Deliver(const MouseEvent& event) {
  EventHandlerObject* handler = TheMonitor().handler.get();
  if (handler == nullptr) return;
  EventObject object{};
  switch (event.kind) {
    case MouseEventKind::press:
      if (!handler->presses) return;
      object.kind = kEventMouseDown;
      break;
    case MouseEventKind::release:
      if (!handler->releases) return;
      object.kind = kEventMouseUp;
      break;
    case MouseEventKind::drag:
      if (!handler->drags) return;
      object.kind = kEventMouseDragged;
      break;
  }
  object.button = CarbonButton(event.button);
  object.clickCount = UInt32(event.click_count);
  object.modifiers = CarbonModifiers(event.modifiers);
  object.location = {event.x, event.y};
  handler->handler(nullptr, &object, handler->userData);
}

}  // namespace

OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, ItemCount numTypes,
                             const EventTypeSpec* list, void* userData, EventHandlerRef* outRef) {
  Monitor& monitor = TheMonitor();
  if (target != GetEventMonitorTarget() || handler == nullptr || (numTypes && !list)) {
    return paramErr;
  }
  // One watcher per process is all the desktop offers here.
  if (monitor.handler) return eventInternalErr;
  if (!monitor.record) {
    tandrel::desktop::XRecordMonitor::Options options;
    options.double_click_interval =
        Settings() ? Settings()->doubleClickTime() : tandrel::desktop::kFallbackDoubleClickTime;
    tandrel::desktop::MonitorError error = tandrel::desktop::MonitorError::none;
    monitor.record = tandrel::desktop::XRecordMonitor::create(options, Deliver, &error);
    if (!monitor.record) {
      NSLog("Cannot watch the mouse: %s", tandrel::desktop::describe(error));
      return eventInternalErr;
    }
  }
  auto installed = std::make_unique<EventHandlerObject>();
  installed->handler = handler;
  installed->userData = userData;
  for (ItemCount i = 0; i < numTypes; ++i) {
    if (list[i].eventClass != kEventClassMouse) continue;
    installed->presses |= list[i].eventKind == kEventMouseDown;
    installed->releases |= list[i].eventKind == kEventMouseUp;
    installed->drags |= list[i].eventKind == kEventMouseDragged;
  }
  if (outRef) *outRef = installed.get();
  monitor.handler = std::move(installed);
  return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef handlerRef) {
  Monitor& monitor = TheMonitor();
  if (handlerRef == nullptr || handlerRef != monitor.handler.get()) return paramErr;
  monitor.handler.reset();
  monitor.record.reset();
  return noErr;
}

UInt32 GetEventClass(EventRef) {
  return kEventClassMouse;
}

EventKind GetEventKind(EventRef event) {
  return event->kind;
}

OSStatus GetEventParameter(EventRef event, EventParamName name, EventParamType desiredType,
                           EventParamType* outActualType, ByteCount bufferSize,
                           ByteCount* outActualSize, void* outData) {
  auto copy = [&](EventParamType type, const void* value, ByteCount size) {
    return platform_common::CopyEventParameter(type, value, size, desiredType, outActualType,
                                               bufferSize, outActualSize, outData);
  };
  if (name == kEventParamMouseButton) return copy(typeMouseButton, &event->button, 2);
  if (name == kEventParamClickCount) return copy(typeUInt32, &event->clickCount, 4);
  if (name == kEventParamKeyModifiers) return copy(typeUInt32, &event->modifiers, 4);
  if (name == kEventParamMouseLocation) return copy(typeHIPoint, &event->location, 8);
  return eventParameterNotFoundErr;
}

// The monitor only watches: nothing after it could handle the event.
OSStatus CallNextEventHandler(EventHandlerCallRef, EventRef) {
  return eventNotHandledErr;
}

UInt32 GetDblTime() {
  if (Settings() == nullptr) {
    return tandrel::desktop::millisecondsToTicks(tandrel::desktop::kFallbackDoubleClickTime);
  }
  return Settings()->doubleClickTicks();
}
