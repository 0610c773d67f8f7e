// The simulated desktop's objects behind the seam's opaque references, and its bookkeeping.
#pragma once

#include "SimDesktop.h"

#include <AppKit/NSApplication.h>
#include <Foundation/NSNotification.h>

#include <cstdint>
#include <set>
#include <unordered_map>
#include <utility>

namespace sim {

enum TypeID : CFTypeID { kStringType = 7, kNumberType, kTimerType, kRunLoopType, kElementType };

// Every reference the desktop hands out. Objects made by Create or Copy calls are counted.
struct Object {
  virtual ~Object() = default;
  CFTypeID typeID = 0;
  long retainCount = 1;
  bool constant = false;  // lives for ever; retain and release do nothing
  Process* owner = nullptr;
  std::string description;
  // Called once, when the last reference goes.
  virtual void finalize() {}
};

void Track(std::unique_ptr<Object> object);
// The constant string behind a reference, or null.
Object* FindConstant(CFTypeRef reference);

// Registers a new object of the current process and returns it, owned by the desktop.
template <class T>
T* Make(std::string description) {
  auto object = std::make_unique<T>();
  T* raw = object.get();
  raw->description = std::move(description);
  Track(std::move(object));
  return raw;
}
// The live object behind a reference, or null (and a recorded fault) when it is not one.
Object* Lookup(CFTypeRef reference, const char* use);

}  // namespace sim

struct CFStringObject : sim::Object {
  std::string text;
};

struct CFRunLoopObject : sim::Object {
  sim::Process* process = nullptr;
};

struct CFRunLoopTimerObject : sim::Object {
  CFAbsoluteTime fireDate = 0;
  CFTimeInterval interval = 0;
  CFRunLoopTimerCallBack callout = nullptr;
  void* info = nullptr;
  bool valid = true;
  std::set<std::string> modes;  // where it is scheduled; empty when it is not
  std::uint64_t order = 0;      // ties between equal fire dates go to the one scheduled first
  void (*releaseInfo)(const void* info) = nullptr;
  std::string name;  // for the timeline
  void finalize() override {
    if (releaseInfo != nullptr) std::exchange(releaseInfo, nullptr)(info);
  }
};

struct AXUIElementObject : sim::Object {
  bool systemWide = false;
  std::string elementName;
};

struct EventObject {
  sim::MouseEvent event;
  std::size_t record = 0;  // index into the monitor records
};

struct EventHandlerObject {
  sim::Process* process = nullptr;
  EventHandlerUPP handler = nullptr;
  std::vector<EventTypeSpec> types;
  void* userData = nullptr;
  bool accepts(UInt32 eventClass, EventKind kind) const {
    for (const EventTypeSpec& t : types) {
      if (t.eventClass == eventClass && t.eventKind == kind) return true;
    }
    return false;
  }
};

struct EventHandlerCallObject {
  std::vector<EventHandlerObject*> chain;  // the handlers still to call, next first
};

namespace sim {

struct Task {
  CFAbsoluteTime time;
  std::uint64_t sequence;
  Process* process;  // null for the desktop itself
  std::function<void()> run;
};

struct Desktop::Internals {
  std::unordered_map<const void*, Object*> live;
  std::vector<std::unique_ptr<Object>> objects;
  std::vector<CFRunLoopTimerObject*> scheduledTimers;
  std::vector<Task> tasks;
  std::vector<std::unique_ptr<EventHandlerObject>> handlers;  // latest installed last
  std::uint64_t sequence = 0;
  std::unique_ptr<NSUserDefaultsStore> defaultsStore;

  void addTask(Process* process, CFAbsoluteTime time, std::function<void()> run) {
    tasks.push_back({time, ++sequence, process, std::move(run)});
  }
};

class SimDistributedCenter;
class SimApplication;

struct Process::State {
  CFRunLoopObject* runLoop = nullptr;
  std::unique_ptr<SimDistributedCenter> distributedCenter;
  NSNotificationCenter localCenter;
  std::unique_ptr<NSUserDefaults> defaults;
  std::unique_ptr<SimApplication> application;
};

// The session bus seen from one process.
class SimDistributedCenter : public NSDistributedNotificationCenter {
 public:
  explicit SimDistributedCenter(Process& process) : process_(process) {}
  void postNotificationName(const NSNotificationName& name, const NSObject* object) override;
  void removeObserver(const NSObject* observer) override;
  void addObserverWithHandler(const NSObject* observer, NSNotificationHandler handler,
                              const NSNotificationName& name, const NSObject* object) override;
  bool observes(const NSNotificationName& name) const;
  void deliver(const NSNotificationName& name);
  void removeAll() { subscriptions_.clear(); }

 private:
  struct Subscription {
    const NSObject* observer;
    NSNotificationName name;
    std::shared_ptr<NSNotificationHandler> handler;
  };
  Process& process_;
  std::vector<Subscription> subscriptions_;
};

class SimApplication : public NSApplication {
 public:
  explicit SimApplication(Process& process) : process_(process) {}
  void terminate(NSObject* sender) override;
  void setDelegate(std::unique_ptr<NSApplicationDelegate> delegate) {
    delegate_ = std::move(delegate);
  }
  std::unique_ptr<NSApplicationDelegate> takeDelegate() { return std::move(delegate_); }

 private:
  Process& process_;
};

std::string Describe(HIPoint point);
std::string FormatTime(CFAbsoluteTime time);

}  // namespace sim
