// Outlets and actions by name: what a class offers the interface layouts that connect to it. A
// layout names an object's outlet or action as text; the class registers, once, which field or
// method each name stands for.
#pragma once

#include <AppKit/NSControl.h>

#include <functional>
#include <string_view>

// Sets the outlet of `owner` to `object`; false when `owner` or `object` is not of the kind the
// outlet was registered for.
using NSOutletSetter = std::function<bool(NSObject* owner, NSObject* object)>;
// The action of `target` as a handler, or an empty handler when `target` is not of the class.
using NSActionFinder = std::function<NSActionHandler(NSObject* target)>;

void NSRegisterOutlet(std::string_view name, NSOutletSetter setter);
void NSRegisterAction(std::string_view name, NSActionFinder finder);

// Connects the outlet `name` of `owner` to `object`. False when no class of `owner` has such an
// outlet for an object of that kind.
bool NSConnectOutlet(NSObject* owner, std::string_view name, NSObject* object);
// The action `name` of `target`, or an empty handler when its class has none.
NSActionHandler NSActionNamed(NSObject* target, std::string_view name);

template <class Class, class Outlet>
bool NSRegisterOutletOf(std::string_view name, Outlet* Class::*field) {
  NSRegisterOutlet(name, [field](NSObject* owner, NSObject* object) {
    auto* instance = dynamic_cast<Class*>(owner);
    auto* value = dynamic_cast<Outlet*>(object);
    if (instance == nullptr || value == nullptr) return false;
    instance->*field = value;
    return true;
  });
  return true;
}

template <class Class, class Sender>
bool NSRegisterActionOf(std::string_view name, void (Class::*action)(Sender*)) {
  NSRegisterAction(name, [action](NSObject* target) -> NSActionHandler {
    auto* instance = dynamic_cast<Class*>(target);
    if (instance == nullptr) return {};
    return [instance, action](NSObject* sender) {
      (instance->*action)(dynamic_cast<Sender*>(sender));
    };
  });
  return true;
}

// Actions without a sender, such as awakeFromNib.
template <class Class>
bool NSRegisterActionOf(std::string_view name, void (Class::*action)()) {
  NSRegisterAction(name, [action](NSObject* target) -> NSActionHandler {
    auto* instance = dynamic_cast<Class*>(target);
    if (instance == nullptr) return {};
    return [instance, action](NSObject*) { (instance->*action)(); };
  });
  return true;
}

// Registers Class::field as the outlet "field", and Class::method as the action "method", when
// the program or plug-in is loaded.
#define NS_OUTLET(Class, field)                                   \
  [[maybe_unused]] static const bool Class##_##field##_isOutlet = \
      NSRegisterOutletOf(#field, &Class::field)
#define NS_ACTION(Class, method)                                   \
  [[maybe_unused]] static const bool Class##_##method##_isAction = \
      NSRegisterActionOf(#method, &Class::method)
