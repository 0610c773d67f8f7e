// The real desktop's objects behind the seam's opaque references.
#pragma once

#include <CoreFoundation/CFRunLoop.h>

#include <set>
#include <string>

typedef struct _GSource GSource;

namespace linux_desktop {

enum TypeID : CFTypeID { kStringType = 7, kNumberType, kTimerType, kRunLoopType, kElementType };

// Every counted reference the desktop hands out; it goes with its last release.
struct Object {
  explicit Object(CFTypeID type) : typeID(type) {}
  virtual ~Object() = default;
  CFTypeID typeID;
  long retainCount = 1;
  bool constant = false;
};

// The run loop's mode; timers not scheduled in it wait until it changes.
void SetRunLoopMode(CFRunLoopMode mode);

}  // namespace linux_desktop

struct CFStringObject : linux_desktop::Object {
  explicit CFStringObject(std::string value)
      : Object(linux_desktop::kStringType), text(std::move(value)) {}
  std::string text;
};

struct CFRunLoopTimerObject : linux_desktop::Object {
  CFRunLoopTimerObject() : Object(linux_desktop::kTimerType) {}
  ~CFRunLoopTimerObject() override;
  CFAbsoluteTime fireDate = 0;
  CFTimeInterval interval = 0;
  CFRunLoopTimerCallBack callout = nullptr;
  void* info = nullptr;
  void (*releaseInfo)(const void* info) = nullptr;  // called once the timer is gone
  bool valid = true;
  std::set<std::string> modes;  // where it is scheduled; empty when it is not
  GSource* source = nullptr;    // attached to the main context while scheduled
};
