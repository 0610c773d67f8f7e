// Defaults domains in memory, shared by the desktop's processes.
#include "SimObjects.h"

namespace sim {
namespace {

class MemoryDefaultsStore : public NSUserDefaultsStore {
 public:
  using Edit = std::function<void(std::optional<NSDictionary>&)>;

  std::optional<NSDictionary> readDomain(const NSString& name) override {
    std::optional<NSDictionary> domain = current(name);
    // A writer waiting to come in after this read does so now, or after the unlock.
    auto edit = interposed_.find(name);
    if (edit != interposed_.end()) {
      Edit change = std::move(edit->second);
      interposed_.erase(edit);
      if (locked_.contains(name)) {
        waiting_[name].push_back(std::move(change));
      } else {
        apply(name, change);
      }
    }
    return domain;
  }
  bool writeDomain(const NSString& name, const NSDictionary* domain) override {
    Desktop::current().trace("defaults saved: " + name);
    if (domain == nullptr) {
      domains_.erase(name);
    } else {
      domains_.insert_or_assign(name, *domain);
    }
    return true;
  }

  void lockDomain(const NSString& name) override {
    locked_.insert(name);
    Desktop::current().trace("defaults locked: " + name);
  }

  void unlockDomain(const NSString& name) override {
    locked_.erase(name);
    Desktop::current().trace("defaults unlocked: " + name);
    std::vector<Edit> waiting = std::move(waiting_[name]);
    waiting_.erase(name);
    for (const Edit& change : waiting) apply(name, change);
  }

  void interpose(const NSString& name, Edit edit) { interposed_[name] = std::move(edit); }

 private:
  std::optional<NSDictionary> current(const NSString& name) const {
    auto found = domains_.find(name);
    if (found == domains_.end()) return std::nullopt;
    return found->second;
  }

  void apply(const NSString& name, const Edit& change) {
    std::optional<NSDictionary> domain = current(name);
    change(domain);
    Desktop::current().trace("defaults changed by another process: " + name);
    writeDomain(name, domain ? &*domain : nullptr);
  }

  std::map<NSString, NSDictionary> domains_;
  std::set<NSString> locked_;
  std::map<NSString, Edit> interposed_;
  std::map<NSString, std::vector<Edit>> waiting_;
};

}  // namespace
}  // namespace sim

void sim::Desktop::interposeDomainEdit(const std::string& domain,
                                       std::function<void(std::optional<NSDictionary>&)> edit) {
  static_cast<MemoryDefaultsStore&>(defaultsStore()).interpose(domain, std::move(edit));
}

NSUserDefaultsStore& sim::Desktop::defaultsStore() {
  if (!internals_->defaultsStore)
    internals_->defaultsStore = std::make_unique<MemoryDefaultsStore>();
  return *internals_->defaultsStore;
}
