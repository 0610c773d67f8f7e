#include <Foundation/NSPropertyList.h>

#include <algorithm>

const PropertyList* NSDictionary::objectForKey(const NSString& key) const {
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return entry.first == key; });
  return found == entries_.end() ? nullptr : &found->second;
}

void NSDictionary::setObject(PropertyList value, const NSString& key) {
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return entry.first == key; });
  if (found != entries_.end()) {
    found->second = std::move(value);
  } else {
    entries_.emplace_back(key, std::move(value));
  }
}

void NSDictionary::removeObjectForKey(const NSString& key) {
  std::erase_if(entries_, [&](const Entry& entry) { return entry.first == key; });
}

std::vector<NSString> NSDictionary::allKeys() const {
  std::vector<NSString> keys;
  keys.reserve(entries_.size());
  for (const Entry& entry : entries_) keys.push_back(entry.first);
  return keys;
}

// Dictionaries are equal when they hold the same keys with equal values, in any order.
bool operator==(const NSDictionary& a, const NSDictionary& b) {
  if (a.count() != b.count()) return false;
  return std::all_of(a.begin(), a.end(), [&](const NSDictionary::Entry& entry) {
    const PropertyList* other = b.objectForKey(entry.first);
    return other != nullptr && *other == entry.second;
  });
}
