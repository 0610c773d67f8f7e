// Notifications within a process and between the processes of one user's session.
#pragma once

#include <Foundation/NSObject.h>
#include <Foundation/NSString.h>

#include <functional>
#include <map>
#include <vector>

using NSNotificationName = NSString;

struct NSNotification {
  NSNotificationName name;
  const NSObject* object = nullptr;
};

using NSNotificationHandler = std::function<void(NSNotification*)>;

// What both centres offer: observers are matched on the name, and on the object when one is given.
class NSNotificationCenterBase {
 public:
  virtual ~NSNotificationCenterBase() = default;

  virtual void postNotificationName(const NSNotificationName& name, const NSObject* object) = 0;

  // Calls observer's selector with the notification each time `name` is posted.
  template <class Observer>
  void addObserver(Observer* observer, void (Observer::*selector)(NSNotification*),
                   const NSNotificationName& name, const NSObject* object) {
    addObserverWithHandler(
        observer, [observer, selector](NSNotification* note) { (observer->*selector)(note); }, name,
        object);
  }

  // Takes every subscription of the observer off this centre.
  virtual void removeObserver(const NSObject* observer) = 0;

  virtual void addObserverWithHandler(const NSObject* observer, NSNotificationHandler handler,
                                      const NSNotificationName& name, const NSObject* object) = 0;
};

// The process's own centre: a post calls the observers at once, in the order they were added.
class NSNotificationCenter : public NSNotificationCenterBase {
 public:
  static NSNotificationCenter* defaultCenter();

  void postNotificationName(const NSNotificationName& name, const NSObject* object) override;
  void removeObserver(const NSObject* observer) override;
  void addObserverWithHandler(const NSObject* observer, NSNotificationHandler handler,
                              const NSNotificationName& name, const NSObject* object) override;

 private:
  struct Subscription {
    const NSObject* observer;
    NSNotificationName name;
    const NSObject* object;
    NSNotificationHandler handler;
  };
  std::vector<Subscription> subscriptions_;
};

// The session's centre: a post returns at once and reaches every observer of the name in every
// process of the user, later, on that process's main run loop. Nothing is reported to the poster.
class NSDistributedNotificationCenter : public NSNotificationCenterBase {
 public:
  static NSDistributedNotificationCenter* defaultCenter();
};
