// The root of the system's classes, and classes made by name from a bundle's description.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>

using NSInteger = long;
using NSUInteger = unsigned long;
using NSTimeInterval = double;

// A selector made comparable, so that pending requests for it can be found again.
using NSSelectorKey = std::string;
template <class Selector>
NSSelectorKey NSSelectorKeyOf(Selector selector) {
  std::string key(typeid(Selector).name());
  key.append(reinterpret_cast<const char*>(&selector), sizeof selector);
  return key;
}

class NSObject {
 public:
  NSObject() = default;
  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;
  virtual ~NSObject() = default;

  // Calls `selector` on this object `delay` seconds from now, from the current run loop in its
  // default mode. The request holds a plain reference: an object that can go first cancels its
  // requests before it goes.
  template <class Target>
  void performSelector(void (Target::*selector)(), NSObject* object, NSTimeInterval delay) {
    auto* target = dynamic_cast<Target*>(this);
    if (target == nullptr) return;
    performRequest(this, NSSelectorKeyOf(selector), object, delay,
                   [target, selector] { (target->*selector)(); });
  }
  // Withdraws every pending request of `target` for `selector` with `object`.
  template <class Target>
  static void cancelPreviousPerformRequestsWithTarget(Target* target, void (Target::*selector)(),
                                                      NSObject* object) {
    cancelPerformRequests(target, NSSelectorKeyOf(selector), object, false);
  }
  // Withdraws every pending request of `target`, whatever its selector and object.
  static void cancelPreviousPerformRequestsWithTarget(NSObject* target) {
    cancelPerformRequests(target, {}, nullptr, true);
  }

 private:
  static void performRequest(NSObject* target, NSSelectorKey selector, NSObject* object,
                             NSTimeInterval delay, std::function<void()> call);
  static void cancelPerformRequests(NSObject* target, const NSSelectorKey& selector,
                                    NSObject* object, bool all);
};

using NSObjectFactory = std::function<std::unique_ptr<NSObject>()>;

// Makes a class known by its name, so that a bundle's description can ask for an instance.
void NSRegisterClass(std::string_view name, NSObjectFactory factory);
// A new instance of the named class, or null when no class has that name.
std::unique_ptr<NSObject> NSCreateInstanceOfClassNamed(std::string_view name);

template <class Class>
bool NSRegisterClassType(std::string_view name) {
  NSRegisterClass(name, [] { return std::unique_ptr<NSObject>(std::make_unique<Class>()); });
  return true;
}

// Registers Class under its own name when the program starts.
#define NS_REGISTER_CLASS(Class) \
  [[maybe_unused]] static const bool Class##_isRegistered = NSRegisterClassType<Class>(#Class)
