// Reference counting and strings.
#include "LinuxObjects.h"

#include <map>
#include <memory>

CFTypeRef CFRetain(CFTypeRef cf) {
  auto* object = static_cast<linux_desktop::Object*>(const_cast<void*>(cf));
  if (object != nullptr && !object->constant) ++object->retainCount;
  return cf;
}

void CFRelease(CFTypeRef cf) {
  auto* object = static_cast<linux_desktop::Object*>(const_cast<void*>(cf));
  if (object == nullptr || object->constant) return;
  if (--object->retainCount == 0) delete object;
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
  return cf ? static_cast<const linux_desktop::Object*>(cf)->typeID : 0;
}

CFTypeID CFStringGetTypeID() {
  return linux_desktop::kStringType;
}

CFStringRef CFSTR(std::string_view text) {
  // Main thread only, like everything that calls it.
  static std::map<std::string, std::unique_ptr<CFStringObject>, std::less<>> constants;
  auto found = constants.find(text);
  if (found == constants.end()) {
    auto string = std::make_unique<CFStringObject>(std::string(text));
    string->constant = true;
    found = constants.emplace(std::string(text), std::move(string)).first;
  }
  return found->second.get();
}

std::string_view CFStringGetView(CFStringRef string) {
  return static_cast<const CFStringObject*>(string)->text;
}
