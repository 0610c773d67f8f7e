// The daemon's application delegate: loads the delay, answers the pane and installs the monitor.
#pragma once

#include <AppKit/NSApplication.h>
#include <Foundation/NSNotification.h>

class TandrelDaemonController : public NSApplicationDelegate {
 public:
  TandrelDaemonController() = default;
  // Takes the monitor down and the controller's subscriptions off both centres.
  ~TandrelDaemonController() override;

  void applicationDidFinishLaunching(NSNotification* notification) override;
  void pingReceived(NSNotification* notification);
  void shutdownReceived(NSNotification* notification);
  void updatePrefsReceived(NSNotification* notification);
};
