// The application object, its delegate and its main.
#pragma once

#include <Foundation/NSNotification.h>
#include <Foundation/NSObject.h>

#include <memory>

class NSApplicationDelegate : public NSObject {
 public:
  virtual void applicationDidFinishLaunching(NSNotification* notification) { (void)notification; }
};

class NSApplication : public NSObject {
 public:
  static NSApplication* sharedApplication();

  NSApplicationDelegate* delegate() const { return delegate_.get(); }
  // Ends the application: the run loop stops and the process exits.
  virtual void terminate(NSObject* sender) = 0;

 protected:
  // The delegate, made from the main bundle's interface description; released when the
  // application ends.
  std::unique_ptr<NSApplicationDelegate> delegate_;
};

#define NSApp (NSApplication::sharedApplication())

// Sets the application up from the main bundle: the Info dictionary's "NSMainNibFile" names an
// interface description among the resources whose "delegate" entry names the delegate's class.
// Calls applicationDidFinishLaunching: once, then runs the main run loop until the application
// terminates.
int NSApplicationMain(int argc, const char* argv[]);
