// The mouse monitor: the user's and the posted events, delivered to the installed handlers.
#include "SimObjects.h"

#include <EventParameters.h>
#include <cmath>

namespace sim {
namespace {

const char* KindName(EventKind kind) {
  switch (kind) {
    case kEventMouseDown:
      return "press";
    case kEventMouseUp:
      return "release";
    case kEventMouseDragged:
      return "drag";
    case kEventMouseMoved:
      return "move";
    default:
      return "event";
  }
}

std::string DescribeEvent(const MouseEvent& e) {
  std::string text = std::string(e.posted ? "posted " : "") + KindName(e.kind);
  if (e.button) text += " button " + std::to_string(*e.button);
  if (e.location) text += " at " + Describe(*e.location);
  if (e.clickCount && e.kind == kEventMouseDown) text += " clicks " + std::to_string(*e.clickCount);
  if (e.modifiers && *e.modifiers != 0) text += " modifiers " + std::to_string(*e.modifiers);
  return text;
}

void Deliver(Desktop& desktop, const MouseEvent& event) {
  if (event.button && event.kind == kEventMouseDown) desktop.setButtonDown(*event.button, true);
  if (event.button && event.kind == kEventMouseUp) desktop.setButtonDown(*event.button, false);
  if (event.location && !event.posted) desktop.setPointer(*event.location);

  auto& records = desktop.mutableMonitorRecords();
  records.push_back({desktop.now(), event});
  EventObject object{event, records.size() - 1};
  EventHandlerCallObject call;
  auto& handlers = desktop.internals().handlers;
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
    if ((*it)->accepts(kEventClassMouse, event.kind)) call.chain.push_back(it->get());
  }
  if (desktop.tracing()) {
    desktop.trace("mouse", DescribeEvent(event) + (call.chain.empty() ? " (no monitor)" : ""));
  }
  if (call.chain.empty()) return;
  EventHandlerObject* first = call.chain.front();
  call.chain.erase(call.chain.begin());
  OSStatus status;
  {
    ProcessScope scope(*first->process);
    status = first->handler(&call, &object, first->userData);
  }
  MonitorRecord& record = records[object.record];
  record.returned = status;
  if (!record.examined && desktop.tracing()) desktop.trace("mouse", "  passed on unexamined");
}

}  // namespace

void Desktop::setButtonDown(EventMouseButton button, bool down) {
  UInt32 bit = 1u << button;
  buttons_ = down ? (buttons_ | bit) : (buttons_ & ~bit);
}

bool Desktop::isButtonDown(EventMouseButton button) const {
  return (buttons_ >> button) & 1u;
}

int Desktop::installedHandlerCount() const {
  return int(internals_->handlers.size());
}

UInt32 Desktop::clickCountFor(EventMouseButton button, HIPoint point) {
  // Presses of one button within the double-click interval and a few points count up.
  bool continues =
      lastPress_.button == button && now_ - lastPress_.time <= doubleClickTicks / 60.0 &&
      std::fabs(point.x - lastPress_.point.x) <= 4 && std::fabs(point.y - lastPress_.point.y) <= 4;
  UInt32 count = continues ? lastPress_.count + 1 : 1;
  lastPress_ = {button, now_, point, count};
  return count;
}

void Desktop::inject(const MouseEvent& event) {
  internals_->addTask(nullptr, now_, [this, event] { Deliver(*this, event); });
  runUntil(now_);
}

void Desktop::press(HIPoint point, EventMouseButton button, std::optional<UInt32> clickCount,
                    UInt32 modifiers) {
  UInt32 count = clickCountFor(button, point);
  inject({kEventMouseDown, button, clickCount.value_or(count), modifiers, point});
}

void Desktop::drag(HIPoint point) {
  inject({kEventMouseDragged, std::nullopt, std::nullopt, UInt32(0), point});
}

void Desktop::release(HIPoint point, EventMouseButton button) {
  inject({kEventMouseUp, button, UInt32(1), UInt32(0), point});
}

// Events that a posting call implies reach the monitor later, through the run loop.
void QueuePostedEvent(const MouseEvent& event) {
  Desktop& desktop = Desktop::current();
  desktop.internals().addTask(nullptr, desktop.now(), [event] {
    Desktop& d = Desktop::current();
    MouseEvent e = event;
    if (e.kind == kEventMouseDown) e.clickCount = d.clickCountFor(*e.button, *e.location);
    Deliver(d, e);
  });
}

}  // namespace sim

OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, ItemCount numTypes,
                             const EventTypeSpec* list, void* userData, EventHandlerRef* outRef) {
  sim::Desktop& desktop = sim::Desktop::current();
  if (target != GetEventMonitorTarget() || handler == nullptr || (numTypes > 0 && !list)) {
    return paramErr;
  }
  if (desktop.installStatus != noErr) return desktop.installStatus;
  auto installed = std::make_unique<EventHandlerObject>();
  installed->process = &desktop.currentProcess();
  installed->handler = handler;
  installed->types.assign(list, list + numTypes);
  installed->userData = userData;
  if (outRef) *outRef = installed.get();
  desktop.internals().handlers.push_back(std::move(installed));
  desktop.trace("monitor installed: " +
                desktop.functionName(reinterpret_cast<const void*>(handler)));
  return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef handlerRef) {
  auto& handlers = sim::Desktop::current().internals().handlers;
  auto removed = std::erase_if(handlers, [&](const auto& h) { return h.get() == handlerRef; });
  return removed ? noErr : paramErr;
}

UInt32 GetEventClass(EventRef) {
  return kEventClassMouse;
}

EventKind GetEventKind(EventRef event) {
  sim::Desktop::current().mutableMonitorRecords()[event->record].examined = true;
  return event->event.kind;
}

OSStatus GetEventParameter(EventRef event, EventParamName name, EventParamType desiredType,
                           EventParamType* outActualType, ByteCount bufferSize,
                           ByteCount* outActualSize, void* outData) {
  const sim::MouseEvent& e = event->event;
  auto copy = [&](EventParamType type, const void* value, ByteCount size) {
    return platform_common::CopyEventParameter(type, value, size, desiredType, outActualType,
                                               bufferSize, outActualSize, outData);
  };
  if (name == kEventParamMouseButton && e.button) return copy(typeMouseButton, &*e.button, 2);
  if (name == kEventParamClickCount && e.clickCount) return copy(typeUInt32, &*e.clickCount, 4);
  if (name == kEventParamKeyModifiers && e.modifiers) return copy(typeUInt32, &*e.modifiers, 4);
  if (name == kEventParamMouseLocation && e.location) return copy(typeHIPoint, &*e.location, 8);
  return eventParameterNotFoundErr;
}

OSStatus CallNextEventHandler(EventHandlerCallRef call, EventRef event) {
  sim::Desktop& desktop = sim::Desktop::current();
  ++desktop.mutableMonitorRecords()[event->record].passedOn;
  if (call->chain.empty()) return desktop.nextHandlerStatus;
  EventHandlerObject* next = call->chain.front();
  EventHandlerCallObject rest{{call->chain.begin() + 1, call->chain.end()}};
  sim::ProcessScope scope(*next->process);
  return next->handler(&rest, event, next->userData);
}

UInt32 GetDblTime() {
  return sim::Desktop::current().doubleClickTicks;
}
