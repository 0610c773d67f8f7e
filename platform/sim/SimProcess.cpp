// Simulated processes and the per-process parts of the seam.
#include "SimObjects.h"

#include <LogLine.h>

#include <Foundation/NSLog.h>

namespace sim {

Process::Process(Desktop& desktop, std::string name)
    : desktop_(desktop),
      name_(std::move(name)),
      mode_(kCFRunLoopDefaultMode),
      state_(std::make_unique<State>()) {
  auto loop = std::make_unique<CFRunLoopObject>();
  loop->typeID = kRunLoopType;
  loop->constant = true;
  loop->process = this;
  loop->description = "run loop of " + name_;
  state_->runLoop = loop.get();
  desktop.internals().objects.push_back(std::move(loop));
  state_->distributedCenter = std::make_unique<SimDistributedCenter>(*this);
  state_->defaults = std::make_unique<NSUserDefaults>(desktop.defaultsStore());
  state_->application = std::make_unique<SimApplication>(*this);
}

Process::~Process() = default;

void Process::setRunLoopMode(CFRunLoopMode mode) {
  mode_ = mode;
  desktop_.trace(name_ + " run loop mode: " + std::string(CFStringGetView(mode)));
}

void Process::exit() {
  if (!running_) return;
  ProcessScope scope(*this);
  desktop_.trace("process ended: " + name_);
  // The delegate goes first, while the process can still tidy up after itself.
  std::unique_ptr<NSApplicationDelegate> delegate = state_->application->takeDelegate();
  delegate.reset();
  running_ = false;
  state_->distributedCenter->removeAll();
  auto& handlers = desktop_.internals().handlers;
  std::erase_if(handlers, [&](const auto& handler) { return handler->process == this; });
  // Its timers go with it: the run loop lets go of them, and so does every reference it still
  // held.
  auto& timers = desktop_.internals().scheduledTimers;
  std::vector<CFRunLoopTimerObject*> mine;
  for (CFRunLoopTimerObject* timer : timers) {
    if (timer->owner == this) mine.push_back(timer);
  }
  std::erase_if(timers, [&](CFRunLoopTimerObject* timer) { return timer->owner == this; });
  for (CFRunLoopTimerObject* timer : mine) {
    timer->modes.clear();
    timer->valid = false;
    CFRelease(timer);
  }
}

void SimApplication::terminate(NSObject*) {
  Desktop::current().trace("terminate: requested");
  process_.exit();
}

}  // namespace sim

NSApplication* NSApplication::sharedApplication() {
  return sim::Desktop::current().currentProcess().state().application.get();
}

NSNotificationCenter* NSNotificationCenter::defaultCenter() {
  return &sim::Desktop::current().currentProcess().state().localCenter;
}

NSDistributedNotificationCenter* NSDistributedNotificationCenter::defaultCenter() {
  return sim::Desktop::current().currentProcess().state().distributedCenter.get();
}

NSUserDefaults* NSUserDefaults::standardUserDefaults() {
  return sim::Desktop::current().currentProcess().state().defaults.get();
}

NSBundle* NSBundle::mainBundle() {
  return sim::Desktop::current().currentProcess().bundle();
}

void platform_common::WriteLogLine(const char* line) {
  sim::Desktop::current().recordLog(line);
}

int NSApplicationMain(int, const char*[]) {
  sim::Desktop& desktop = sim::Desktop::current();
  sim::Process& process = desktop.currentProcess();
  NSBundle* bundle = process.bundle();
  std::unique_ptr<NSObject> object;
  if (bundle != nullptr) {
    const PropertyList* nib = bundle->objectForInfoDictionaryKey("NSMainNibFile");
    const NSDictionary* interface =
        nib && nib->string() ? bundle->propertyListResource(*nib->string()) : nullptr;
    const PropertyList* delegateClass = interface ? interface->objectForKey("delegate") : nullptr;
    if (delegateClass && delegateClass->string()) {
      object = NSCreateInstanceOfClassNamed(*delegateClass->string());
    }
  }
  auto* delegate = dynamic_cast<NSApplicationDelegate*>(object.get());
  if (delegate == nullptr) {
    NSLog("No application delegate in the bundle's interface description");
    process.exit();
    return 1;
  }
  object.release();
  auto& application = *process.state().application;
  application.setDelegate(std::unique_ptr<NSApplicationDelegate>(delegate));
  NSNotification launched{"NSApplicationDidFinishLaunchingNotification", &application};
  delegate->applicationDidFinishLaunching(&launched);
  // The run loop is the desktop's: the test drives it from here on.
  return 0;
}
