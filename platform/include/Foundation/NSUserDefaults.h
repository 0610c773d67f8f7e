// The user's defaults: named persistent domains, shared by the processes of the user.
#pragma once

#include <Foundation/NSPropertyList.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// Where domains are kept. Each process has its own defaults object over the one store.
class NSUserDefaultsStore {
 public:
  virtual ~NSUserDefaultsStore() = default;
  // The domain as last saved by any process, or nothing when it does not exist or cannot be read.
  virtual std::optional<NSDictionary> readDomain(const NSString& name) = 0;
  // Replaces the domain whole, or removes it when `domain` is null. False when it failed.
  virtual bool writeDomain(const NSString& name, const NSDictionary* domain) = 0;
  // Holds other processes' writes of the domain off until unlockDomain, so that a read, change
  // and write of a domain that others also write loses none of their changes. A store whose
  // domains only one process writes needs no lock.
  virtual void lockDomain(const NSString& name) { (void)name; }
  virtual void unlockDomain(const NSString& name) { (void)name; }

  // The store of the logged-in user, which the standard defaults object and new ones use.
  static NSUserDefaultsStore& userStore();
};

class NSUserDefaults {
 public:
  // The calling process's shared defaults object.
  static NSUserDefaults* standardUserDefaults();

  // A defaults object of its own over the user's store, as [[NSUserDefaults alloc] init] makes.
  NSUserDefaults() : NSUserDefaults(NSUserDefaultsStore::userStore()) {}
  explicit NSUserDefaults(NSUserDefaultsStore& store) : store_(store) {}
  NSUserDefaults(const NSUserDefaults&) = delete;
  NSUserDefaults& operator=(const NSUserDefaults&) = delete;

  // Holds the store's lock of one domain for its lifetime.
  class DomainLock {
   public:
    DomainLock(NSUserDefaultsStore& store, NSString name) : store_(&store), name_(std::move(name)) {
      store_->lockDomain(name_);
    }
    DomainLock(DomainLock&& other) noexcept
        : store_(std::exchange(other.store_, nullptr)), name_(std::move(other.name_)) {}
    DomainLock(const DomainLock&) = delete;
    DomainLock& operator=(const DomainLock&) = delete;
    DomainLock& operator=(DomainLock&&) = delete;
    ~DomainLock() {
      if (store_ != nullptr) store_->unlockDomain(name_);
    }

   private:
    NSUserDefaultsStore* store_;
    NSString name_;
  };
  // Locks the domain in the store for a read, change and write, and forgets what this object
  // read of it before, so that the next read sees the store as it is under the lock.
  [[nodiscard]] DomainLock lockPersistentDomainForName(const NSString& name);

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
