// Strings: process-wide constants, and owned strings that the desktop counts.
#include "SimObjects.h"

#include <map>
#include <mutex>

namespace sim {
namespace {
std::map<std::string, std::unique_ptr<CFStringObject>, std::less<>>& Constants() {
  static std::map<std::string, std::unique_ptr<CFStringObject>, std::less<>> constants;
  return constants;
}
std::unordered_map<const void*, Object*>& ConstantIndex() {
  static std::unordered_map<const void*, Object*> index;
  return index;
}
}  // namespace

Object* FindConstant(CFTypeRef reference) {
  auto found = ConstantIndex().find(reference);
  return found == ConstantIndex().end() ? nullptr : found->second;
}

}  // namespace sim

CFTypeID CFStringGetTypeID() {
  return sim::kStringType;
}

CFStringRef CFSTR(std::string_view text) {
  auto& constants = sim::Constants();
  auto found = constants.find(text);
  if (found == constants.end()) {
    auto string = std::make_unique<CFStringObject>();
    string->typeID = sim::kStringType;
    string->constant = true;
    string->text = std::string(text);
    string->description = "constant string \"" + string->text + "\"";
    sim::ConstantIndex()[string.get()] = string.get();
    found = constants.emplace(std::string(text), std::move(string)).first;
  }
  return found->second.get();
}

std::string_view CFStringGetView(CFStringRef string) {
  return static_cast<const CFStringObject*>(string)->text;
}
