// The pane's controller: shows whether the daemon runs and starts and stops it, keeps it in the
// login launch list, sets the hold delay, watches access for assistive devices and replaces the
// daemon of an older version after an update.
#pragma once

#include <AppKit/NSControl.h>
#include <CoreFoundation/CFBase.h>
#include <Foundation/NSNotification.h>
#include <Foundation/NSTimer.h>
#include <PreferencePanes/NSPreferencePane.h>

class ComCorvantixTandrelPreferenceController : public NSPreferencePane {
 public:
  ComCorvantixTandrelPreferenceController() = default;
  // Takes the controller off the notification centre and stops its timers and pending
  // notification first: the host may let the pane go while its run loop goes on.
  ~ComCorvantixTandrelPreferenceController() override;

  NSPreferencePane* initWithBundle(NSBundle* bundle) override;

  // Persistence of the shared domain.
  void reloadPrefs();
  void synchronizePrefs();
  void notifyDaemonOfUpdatedPreferences();

  // Supervision of the daemon.
  void pingDaemon();
  void daemonAnswered(NSNotification* notification);
  void pingTimedOut(NSTimer* timer);
  bool daemonIsRunning() const { return daemonIsRunning_; }
  void setDaemonIsRunning(bool running) { daemonIsRunning_ = running; }
  bool startDaemon();
  bool stopDaemon();

  void toggleDaemonAtLogin();

  // Access for assistive devices.
  void updateAssistiveDevicesStatus(NSObject* sender);
  void openAssistiveDevicesPrefPaneClicked(NSObject* sender);

  // Host hooks and control actions.
  void mainViewDidLoad() override;
  void willSelect() override;
  void didUnselect() override;
  void switchOnClicked(NSObject* sender);
  void switchOffClicked(NSObject* sender);
  void clickAndHoldTimeSliderMoved(NSObject* sender);
  void gotoCorvantixWebPage(NSObject* sender);
  void doNothingAction(NSObject* sender);

  // The controller's state and its outlets, which the interface layout connects and the
  // controller does not own. Timers are held by the run loop; the fields are plain references.
  NSProgressIndicator* switchOnProgress = nullptr;
  NSMatrix* switchOnOff = nullptr;  // cell tag 0: on, tag 1: off
  NSButtonCell* switchOnRadio = nullptr;
  NSButtonCell* switchOffRadio = nullptr;
  bool daemonIsRunning_ = false;
  NSTimer* pingTimer = nullptr;  // the pending ping's time-out, or null
  bool firstRun = false;         // the last load found no version stamp
  bool updateFirstRun = false;   // the last load found the stamp of another version
  NSView* previewView = nullptr;
  NSImageView* previewImage = nullptr;
  NSSlider* clickAndHoldTimeSlider = nullptr;
  NSTextField* clickAndHoldTimeText = nullptr;
  NSView* assistiveDevicesWarningView = nullptr;
  NSView* assistiveDevicesWarningIcon = nullptr;
  NSTimer* assistiveDevicesCheckTimer = nullptr;
  NSTextField* aboutVersion = nullptr;
  NSBundle* bundle = nullptr;  // as handed to initWithBundle; the host keeps it alive

  // The access state the previous check ended with, for the whole process. It starts as on, so
  // that the first check never counts as access coming on.
  static Boolean sAxapiWasEnabled;

 private:
  // The version stamp this pane saves and compares: its short version string, or the empty
  // string for a bundle without one.
  NSString runningVersion() const;
  NSString localizedString(const NSString& key) const;
  NSString daemonPath() const;
};
