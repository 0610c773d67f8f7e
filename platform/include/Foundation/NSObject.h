// The root of the system's classes, and classes made by name from a bundle's description.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

class NSObject {
 public:
  NSObject() = default;
  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;
  virtual ~NSObject() = default;
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
