// Defaults domains as property-list files in the user's config folder, shared by every process.
#include <Foundation/NSLog.h>
#include <Foundation/NSUserDefaults.h>

#include <plist_domain_store.h>

#include <map>

namespace {

class FileDefaultsStore : public NSUserDefaultsStore {
 public:
  std::optional<NSDictionary> readDomain(const NSString& name) override {
    tandrel::desktop::PlistDomainStore::ReadResult result = files_.read(name);
    if (!result.domain) {
      // A missing domain is ordinary; anything else is worth a line.
      if (!result.error.empty() && !result.error.starts_with("no file ")) {
        NSLog("Preferences %s unreadable: %s", name.c_str(), result.error.c_str());
      }
      return std::nullopt;
    }
    return *result.domain;
  }

  bool writeDomain(const NSString& name, const NSDictionary* domain) override {
    std::string error;
    auto held = held_.find(name);
    if (domain == nullptr) {
      error = files_.remove(name);
    } else if (held != held_.end()) {
      error = files_.write(held->second,
                           *domain);  // a second flock of our own would wait for ever
    } else {
      error = files_.write(name, *domain);
    }
    if (!error.empty()) NSLog("Preferences %s not saved: %s", name.c_str(), error.c_str());
    return error.empty();
  }

  // Another process's writers wait while a read-change-write of the domain is under way here.
  void lockDomain(const NSString& name) override {
    tandrel::desktop::PlistDomainStore::Lock lock = files_.lock(name);
    if (!lock) {
      NSLog("Preferences %s not locked: %s", name.c_str(), lock.error().c_str());
      return;
    }
    held_.insert_or_assign(name, std::move(lock));
  }

  void unlockDomain(const NSString& name) override { held_.erase(name); }

 private:
  std::map<NSString, tandrel::desktop::PlistDomainStore::Lock> held_;
  tandrel::desktop::PlistDomainStore files_{tandrel::desktop::PlistDomainStore::defaultFolder()};
};

}  // namespace

NSUserDefaultsStore& NSUserDefaultsStore::userStore() {
  static FileDefaultsStore store;
  return store;
}

NSUserDefaults* NSUserDefaults::standardUserDefaults() {
  static NSUserDefaults defaults(NSUserDefaultsStore::userStore());
  return &defaults;
}
