// Defaults domains in memory, shared by the desktop's processes.
#include "SimObjects.h"

namespace sim {
namespace {

class MemoryDefaultsStore : public NSUserDefaultsStore {
 public:
  std::optional<NSDictionary> readDomain(const NSString& name) override {
    auto found = domains_.find(name);
    if (found == domains_.end()) return std::nullopt;
    return found->second;
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

 private:
  std::map<NSString, NSDictionary> domains_;
};

}  // namespace
}  // namespace sim

NSUserDefaultsStore& sim::Desktop::defaultsStore() {
  if (!internals_->defaultsStore)
    internals_->defaultsStore = std::make_unique<MemoryDefaultsStore>();
  return *internals_->defaultsStore;
}
