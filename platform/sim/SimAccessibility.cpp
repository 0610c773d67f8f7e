// A scripted accessibility service: elements with roles at rectangles, errors on demand.
#include "SimObjects.h"

Boolean AXAPIEnabled() {
  return sim::Desktop::current().accessibilityEnabled;
}

AXUIElementRef AXUIElementCreateSystemWide() {
  sim::Desktop::current().countSystemWideElement();
  auto* element = sim::Make<AXUIElementObject>("system-wide element");
  element->typeID = sim::kElementType;
  element->systemWide = true;
  return element;
}

AXError AXUIElementCopyElementAtPosition(AXUIElementRef application, float x, float y,
                                         AXUIElementRef* out) {
  sim::Desktop& desktop = sim::Desktop::current();
  desktop.countElementQuery();
  sim::Object* object = sim::Lookup(application, "AXUIElementCopyElementAtPosition");
  if (object == nullptr || object->typeID != sim::kElementType || out == nullptr) {
    return kAXErrorIllegalArgument;
  }
  HIPoint point{x, y};
  if (desktop.elementQueryError != kAXErrorSuccess) {
    desktop.trace("accessibility: element at " + sim::Describe(point) + " failed with " +
                  std::to_string(desktop.elementQueryError));
    return desktop.elementQueryError;
  }
  // The topmost element is the last one added that contains the point.
  const auto& elements = desktop.elements();
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    if (!it->frame.contains(point)) continue;
    auto* element = sim::Make<AXUIElementObject>("element " + it->name);
    element->typeID = sim::kElementType;
    element->elementName = it->name;
    *out = element;
    desktop.trace("accessibility: element at " + sim::Describe(point) + " is " + it->name);
    return kAXErrorSuccess;
  }
  desktop.trace("accessibility: no element at " + sim::Describe(point));
  return kAXErrorNoValue;
}

AXError AXUIElementCopyAttributeValue(AXUIElementRef elementRef, CFStringRef attribute,
                                      CFTypeRef* value) {
  sim::Desktop& desktop = sim::Desktop::current();
  sim::Object* object = sim::Lookup(elementRef, "AXUIElementCopyAttributeValue");
  if (object == nullptr || object->typeID != sim::kElementType || value == nullptr) {
    return kAXErrorIllegalArgument;
  }
  auto* element = static_cast<const AXUIElementObject*>(object);
  if (CFStringGetView(attribute) != "AXRole") return kAXErrorAttributeUnsupported;
  for (const sim::Element& e : desktop.elements()) {
    if (e.name != element->elementName) continue;
    if (e.roleError != kAXErrorSuccess) {
      desktop.trace("accessibility: role of " + e.name + " failed with " +
                    std::to_string(e.roleError));
      return e.roleError;
    }
    if (!e.role) {
      auto* number = sim::Make<sim::Object>("role value of " + e.name + " (a number)");
      number->typeID = sim::kNumberType;
      *value = number;
      desktop.trace("accessibility: role of " + e.name + " is not a string");
      return kAXErrorSuccess;
    }
    auto* role = sim::Make<CFStringObject>("role value " + *e.role + " of " + e.name);
    role->typeID = sim::kStringType;
    role->text = *e.role;
    *value = role;
    desktop.trace("accessibility: role of " + e.name + " is " + *e.role);
    return kAXErrorSuccess;
  }
  return kAXErrorInvalidUIElement;
}
