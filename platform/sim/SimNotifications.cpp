// The session's notification bus: a post reaches, later, every process that observes the name.
#include "SimObjects.h"

namespace sim {

void SimDistributedCenter::postNotificationName(const NSNotificationName& name, const NSObject*) {
  Desktop& desktop = Desktop::current();
  desktop.recordNotification(name);
  desktop.trace("notification posted: " + name);
  // Routed to the observers in place now, delivered from each one's run loop afterwards.
  for (const auto& process : desktop.processes()) {
    SimDistributedCenter& center = *process->state().distributedCenter;
    if (!process->isRunning() || !center.observes(name)) continue;
    desktop.internals().addTask(process.get(), desktop.now(),
                                [&center, name] { center.deliver(name); });
  }
}

bool SimDistributedCenter::observes(const NSNotificationName& name) const {
  for (const Subscription& s : subscriptions_) {
    if (s.name == name) return true;
  }
  return false;
}

void SimDistributedCenter::deliver(const NSNotificationName& name) {
  Desktop::current().trace("notification received: " + name);
  NSNotification note{name, nullptr};
  std::vector<std::shared_ptr<NSNotificationHandler>> handlers;
  for (const Subscription& s : subscriptions_) {
    if (s.name == name) handlers.push_back(s.handler);
  }
  for (auto& handler : handlers) {
    if (!process_.isRunning()) return;
    (*handler)(&note);
  }
}

void SimDistributedCenter::removeObserver(const NSObject* observer) {
  std::erase_if(subscriptions_, [&](const Subscription& s) { return s.observer == observer; });
}

void SimDistributedCenter::addObserverWithHandler(const NSObject* observer,
                                                  NSNotificationHandler handler,
                                                  const NSNotificationName& name, const NSObject*) {
  subscriptions_.push_back(
      {observer, name, std::make_shared<NSNotificationHandler>(std::move(handler))});
}

}  // namespace sim
