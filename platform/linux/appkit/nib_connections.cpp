// The registry of outlets and actions by name. Several classes may offer the same name: each
// registration is tried until one fits the object at hand.
#include <AppKit/NSNibConnections.h>

#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, std::vector<NSOutletSetter>, std::less<>>& Outlets() {
  static std::map<std::string, std::vector<NSOutletSetter>, std::less<>> outlets;
  return outlets;
}

std::map<std::string, std::vector<NSActionFinder>, std::less<>>& Actions() {
  static std::map<std::string, std::vector<NSActionFinder>, std::less<>> actions;
  return actions;
}

}  // namespace

void NSRegisterOutlet(std::string_view name, NSOutletSetter setter) {
  Outlets()[std::string(name)].push_back(std::move(setter));
}

void NSRegisterAction(std::string_view name, NSActionFinder finder) {
  Actions()[std::string(name)].push_back(std::move(finder));
}

bool NSConnectOutlet(NSObject* owner, std::string_view name, NSObject* object) {
  auto found = Outlets().find(name);
  if (found == Outlets().end() || owner == nullptr || object == nullptr) return false;
  for (const NSOutletSetter& setter : found->second) {
    if (setter(owner, object)) return true;
  }
  return false;
}

NSActionHandler NSActionNamed(NSObject* target, std::string_view name) {
  auto found = Actions().find(name);
  if (found == Actions().end() || target == nullptr) return {};
  for (const NSActionFinder& finder : found->second) {
    if (NSActionHandler handler = finder(target)) return handler;
  }
  return {};
}
