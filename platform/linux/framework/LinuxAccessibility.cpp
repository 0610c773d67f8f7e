// Accessibility over AT-SPI: the desktop's assistive-access switch and the element at a point.
#include <ApplicationServices/Accessibility.h>

#include "LinuxObjects.h"

#include <accessibility_status.h>
#include <atspi_hit_test.h>

#include <memory>

struct AXUIElementObject : linux_desktop::Object {
  AXUIElementObject() : Object(linux_desktop::kElementType) {}
  bool systemWide = false;
  std::string role;
};

namespace {

tandrel::desktop::AccessibilityStatus& Status() {
  static tandrel::desktop::AccessibilityStatus status;
  return status;
}

tandrel::desktop::AtspiHitTest& HitTest() {
  static tandrel::desktop::AtspiHitTest hitTest;
  return hitTest;
}

AXError AXErrorFor(int hitTestError) {
  using tandrel::desktop::AtspiHitTest;
  switch (hitTestError) {
    case AtspiHitTest::kNoElementAtPoint:
      return kAXErrorNoValue;
    case AtspiHitTest::kNoApplication:
      return kAXErrorCannotComplete;
    case AtspiHitTest::kTimedOut:
      return kAXErrorCannotComplete;
    default:
      return kAXErrorFailure;
  }
}

}  // namespace

Boolean AXAPIEnabled() {
  return Status().isEnabled();
}

AXUIElementRef AXUIElementCreateSystemWide() {
  auto* element = new AXUIElementObject;
  element->systemWide = true;
  return element;
}

AXError AXUIElementCopyElementAtPosition(AXUIElementRef application, float x, float y,
                                         AXUIElementRef* out) {
  if (application == nullptr || !application->systemWide || out == nullptr) {
    return kAXErrorIllegalArgument;
  }
  tandrel::desktop::HitTestResult hit = HitTest().elementAt(int(x), int(y));
  if (!hit.ok()) return AXErrorFor(hit.error);
  auto* element = new AXUIElementObject;
  element->role = hit.role;
  *out = element;
  return kAXErrorSuccess;
}

AXError AXUIElementCopyAttributeValue(AXUIElementRef element, CFStringRef attribute,
                                      CFTypeRef* value) {
  if (element == nullptr || value == nullptr) return kAXErrorIllegalArgument;
  if (CFStringGetView(attribute) != "AXRole") return kAXErrorAttributeUnsupported;
  if (element->systemWide) {
    *value = new CFStringObject("AXSystemWide");
    return kAXErrorSuccess;
  }
  *value = new CFStringObject(element->role);
  return kAXErrorSuccess;
}
