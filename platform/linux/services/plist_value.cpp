#include "plist_value.h"

#include <algorithm>

namespace tandrel::desktop {

void PlistDictionary::set(std::string key, PlistValue value) {
  if (PlistValue* existing = find(key)) {
    *existing = std::move(value);
    return;
  }
  entries_.emplace_back(std::move(key), std::move(value));
}

const PlistValue* PlistDictionary::find(std::string_view key) const {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [key](const Entry& entry) { return entry.first == key; });
  return it == entries_.end() ? nullptr : &it->second;
}

PlistValue* PlistDictionary::find(std::string_view key) {
  return const_cast<PlistValue*>(std::as_const(*this).find(key));
}

bool PlistDictionary::remove(std::string_view key) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [key](const Entry& entry) { return entry.first == key; });
  if (it == entries_.end()) return false;
  entries_.erase(it);
  return true;
}

}  // namespace tandrel::desktop
