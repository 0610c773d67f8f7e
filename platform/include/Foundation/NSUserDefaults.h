// The user's defaults: named persistent domains, shared by the processes of the user.
#pragma once

#include <Foundation/NSPropertyList.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

// Where domains are kept. Each process has its own defaults object over the one store.
class NSUserDefaultsStore {
 public:
  virtual ~NSUserDefaultsStore() = default;
  // The domain as last saved by any process, or nothing when it does not exist or cannot be read.
  virtual std::optional<NSDictionary> readDomain(const NSString& name) = 0;
  // Replaces the domain whole, or removes it when `domain` is null. False when it failed.
  virtual bool writeDomain(const NSString& name, const NSDictionary* domain) = 0;
};

class NSUserDefaults {
 public:
  // The calling process's shared defaults object.
  static NSUserDefaults* standardUserDefaults();

  explicit NSUserDefaults(NSUserDefaultsStore& store) : store_(store) {}

  // The domain as this process knows it, or nothing when it does not exist.
  std::optional<NSDictionary> persistentDomainForName(const NSString& name);
  // Replaces the domain whole, in this process now and in the store at the next synchronize.
  void setPersistentDomain(const NSDictionary& domain, const NSString& name);
  void removePersistentDomainForName(const NSString& name);

  // Writes this process's changes out and takes in what other processes have saved.
  bool synchronize();

  // Adds a domain to the search list of the plain key lookups. Adding it again changes nothing.
  void addSuiteNamed(const NSString& name);
  void removeSuiteNamed(const NSString& name);

  // The value under `key` in the first domain of the search list that has it, or null.
  const PropertyList* objectForKey(const NSString& key);
  // A number (or numeric string) as a 32-bit float; 0.0 when the key is absent or not a number.
  float floatForKey(const NSString& key);

 private:
  const std::optional<NSDictionary>& cached(const NSString& name);

  NSUserDefaultsStore& store_;
  std::vector<NSString> searchList_;
  std::map<NSString, std::optional<NSDictionary>> cache_;
  std::set<NSString> unsaved_;
};
