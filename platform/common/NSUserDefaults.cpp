#include <Foundation/NSUserDefaults.h>

#include <algorithm>
#include <charconv>

const std::optional<NSDictionary>& NSUserDefaults::cached(const NSString& name) {
  auto found = cache_.find(name);
  if (found == cache_.end()) found = cache_.emplace(name, store_.readDomain(name)).first;
  return found->second;
}

std::optional<NSDictionary> NSUserDefaults::persistentDomainForName(const NSString& name) {
  return cached(name);
}

void NSUserDefaults::setPersistentDomain(const NSDictionary& domain, const NSString& name) {
  cache_[name] = domain;
  unsaved_.insert(name);
}

void NSUserDefaults::removePersistentDomainForName(const NSString& name) {
  cache_[name] = std::nullopt;
  unsaved_.insert(name);
}

bool NSUserDefaults::synchronize() {
  bool saved = true;
  for (const NSString& name : unsaved_) {
    const std::optional<NSDictionary>& domain = cache_[name];
    saved = store_.writeDomain(name, domain ? &*domain : nullptr) && saved;
  }
  unsaved_.clear();
  // Everything else is read again, so that other processes' saves are seen.
  for (auto& [name, domain] : cache_) domain = store_.readDomain(name);
  return saved;
}

NSUserDefaults::DomainLock NSUserDefaults::lockPersistentDomainForName(const NSString& name) {
  DomainLock lock(store_, name);
  if (!unsaved_.contains(name)) cache_.erase(name);
  return lock;
}

void NSUserDefaults::addSuiteNamed(const NSString& name) {
  if (std::find(searchList_.begin(), searchList_.end(), name) == searchList_.end()) {
    searchList_.push_back(name);
  }
}

void NSUserDefaults::removeSuiteNamed(const NSString& name) {
  std::erase(searchList_, name);
}

const PropertyList* NSUserDefaults::objectForKey(const NSString& key) {
  for (const NSString& suite : searchList_) {
    const std::optional<NSDictionary>& domain = cached(suite);
    if (!domain) continue;
    if (const PropertyList* value = domain->objectForKey(key)) return value;
  }
  return nullptr;
}

float NSUserDefaults::floatForKey(const NSString& key) {
  const PropertyList* value = objectForKey(key);
  if (value == nullptr) return 0.0f;
  if (const NSNumber* number = value->number()) return number->floatValue();
  if (const NSString* text = value->string()) {
    float parsed = 0.0f;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), parsed);
    return error == std::errc() ? parsed : 0.0f;
  }
  return 0.0f;
}
