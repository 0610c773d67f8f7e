#include <Foundation/NSNotification.h>

#include <algorithm>

void NSNotificationCenter::postNotificationName(const NSNotificationName& name,
                                                const NSObject* object) {
  NSNotification note{name, object};
  // A handler may add or remove observers; call those present when the post began.
  std::vector<NSNotificationHandler> handlers;
  for (const Subscription& s : subscriptions_) {
    if (s.name == name && (s.object == nullptr || s.object == object))
      handlers.push_back(s.handler);
  }
  for (NSNotificationHandler& handler : handlers) handler(&note);
}

void NSNotificationCenter::removeObserver(const NSObject* observer) {
  std::erase_if(subscriptions_, [&](const Subscription& s) { return s.observer == observer; });
}

void NSNotificationCenter::addObserverWithHandler(const NSObject* observer,
                                                  NSNotificationHandler handler,
                                                  const NSNotificationName& name,
                                                  const NSObject* object) {
  subscriptions_.push_back({observer, name, object, std::move(handler)});
}
