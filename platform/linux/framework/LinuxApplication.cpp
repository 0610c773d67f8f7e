// The application: made from the main bundle's description, run on the GLib main loop, ended by
// terminate:, SIGTERM or SIGINT. One daemon per user and display.
#include "InstanceLock.h"
#include "LinuxBundle.h"

#include <AppKit/NSApplication.h>
#include <Foundation/NSBundle.h>
#include <Foundation/NSLog.h>

#include <glib-unix.h>
#include <glib.h>

#include <filesystem>
#include <memory>
#include <string>

namespace linux_desktop {
namespace {

class GLibApplication : public NSApplication {
 public:
  void terminate(NSObject*) override {
    if (loop_ != nullptr) g_main_loop_quit(loop_);
    terminated_ = true;
  }
  void setDelegate(std::unique_ptr<NSApplicationDelegate> delegate) {
    delegate_ = std::move(delegate);
  }
  void releaseDelegate() { delegate_.reset(); }
  void run() {
    if (terminated_) return;
    loop_ = g_main_loop_new(nullptr, false);
    g_main_loop_run(loop_);
    g_main_loop_unref(loop_);
    loop_ = nullptr;
  }

 private:
  GMainLoop* loop_ = nullptr;
  bool terminated_ = false;
};

GLibApplication& TheApplication() {
  static GLibApplication application;
  return application;
}

std::unique_ptr<NSBundle>& MainBundleSlot() {
  static std::unique_ptr<NSBundle> bundle;
  return bundle;
}

gboolean OnSignal(gpointer) {
  TheApplication().terminate(nullptr);
  return G_SOURCE_CONTINUE;
}

std::string InfoString(const NSBundle& bundle, const char* key) {
  const PropertyList* value = bundle.objectForInfoDictionaryKey(key);
  return value && value->string() ? *value->string() : std::string();
}

}  // namespace
}  // namespace linux_desktop

NSApplication* NSApplication::sharedApplication() {
  return &linux_desktop::TheApplication();
}

NSBundle* NSBundle::mainBundle() {
  auto& slot = linux_desktop::MainBundleSlot();
  if (!slot) slot = NSBundle::bundleWithPath(linux_desktop::BundlePathOfExecutable());
  return slot.get();
}

int NSApplicationMain(int argc, const char* argv[]) {
  using namespace linux_desktop;
  if (argc > 0 && argv[0] != nullptr)
    g_set_prgname(std::filesystem::path(argv[0]).filename().c_str());
  NSBundle* bundle = NSBundle::mainBundle();
  if (bundle == nullptr) {
    NSLog("Cannot read the application bundle around %s", BundlePathOfExecutable().c_str());
    return 1;
  }

  std::string identifier = InfoString(*bundle, "CFBundleIdentifier");
  InstanceLock instance(identifier.empty() ? "application" : identifier);
  if (!instance.held()) {
    NSLog("%s already runs for this user and display; this one exits", identifier.c_str());
    return 0;
  }

  std::string nib = InfoString(*bundle, "NSMainNibFile");
  const NSDictionary* interface = nib.empty() ? nullptr : bundle->propertyListResource(nib);
  const PropertyList* delegateClass = interface ? interface->objectForKey("delegate") : nullptr;
  std::unique_ptr<NSObject> object;
  if (delegateClass && delegateClass->string()) {
    object = NSCreateInstanceOfClassNamed(*delegateClass->string());
  }
  auto* delegate = dynamic_cast<NSApplicationDelegate*>(object.get());
  if (delegate == nullptr) {
    NSLog("The bundle's interface description names no application delegate");
    return 1;
  }
  object.release();

  GLibApplication& application = TheApplication();
  application.setDelegate(std::unique_ptr<NSApplicationDelegate>(delegate));
  guint term = g_unix_signal_add(SIGTERM, OnSignal, nullptr);
  guint interrupt = g_unix_signal_add(SIGINT, OnSignal, nullptr);

  NSNotification launched{"NSApplicationDidFinishLaunchingNotification", &application};
  delegate->applicationDidFinishLaunching(&launched);
  application.run();

  g_source_remove(term);
  g_source_remove(interrupt);
  application.releaseDelegate();
  return 0;
}
