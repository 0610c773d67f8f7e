// The session's notification centre as one broadcast signal on the D-Bus session bus, and the
// process's own centre.
#include <Foundation/NSLog.h>
#include <Foundation/NSNotification.h>

#include <dbus_broadcast.h>

#include <memory>
#include <vector>

namespace {

class BusNotificationCenter : public NSDistributedNotificationCenter {
 public:
  BusNotificationCenter() {
    if (!bus_.isConnected()) NSLog("No session bus: %s", bus_.error().c_str());
  }

  void postNotificationName(const NSNotificationName& name, const NSObject*) override {
    bus_.post(name);
  }

  void removeObserver(const NSObject* observer) override {
    std::erase_if(subscriptions_, [&](const Entry& e) { return e.observer == observer; });
  }

  void addObserverWithHandler(const NSObject* observer, NSNotificationHandler handler,
                              const NSNotificationName& name, const NSObject*) override {
    auto shared = std::make_shared<NSNotificationHandler>(std::move(handler));
    subscriptions_.push_back({observer, bus_.observe(name, [shared](const std::string& posted) {
                                NSNotification note{posted, nullptr};
                                (*shared)(&note);
                              })});
  }

 private:
  struct Entry {
    const NSObject* observer;
    tandrel::desktop::DBusBroadcast::Subscription subscription;
  };
  tandrel::desktop::DBusBroadcast bus_;
  std::vector<Entry> subscriptions_;
};

}  // namespace

NSDistributedNotificationCenter* NSDistributedNotificationCenter::defaultCenter() {
  static BusNotificationCenter center;
  return &center;
}

NSNotificationCenter* NSNotificationCenter::defaultCenter() {
  static NSNotificationCenter center;
  return &center;
}
