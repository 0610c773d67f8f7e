#include <Foundation/NSObject.h>

#include <map>
#include <string>

namespace {
std::map<std::string, NSObjectFactory, std::less<>>& ClassTable() {
  static std::map<std::string, NSObjectFactory, std::less<>> table;
  return table;
}
}  // namespace

void NSRegisterClass(std::string_view name, NSObjectFactory factory) {
  ClassTable()[std::string(name)] = std::move(factory);
}

std::unique_ptr<NSObject> NSCreateInstanceOfClassNamed(std::string_view name) {
  auto found = ClassTable().find(name);
  return found == ClassTable().end() ? nullptr : found->second();
}
