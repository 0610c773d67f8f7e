// The preferences host on the simulated desktop with the pane loaded in it, and the user's hands
// on the pane's controls. The daemon is registered inside the pane's bundle, so a launch by the
// pane starts the real daemon as a process of its own.
#pragma once

#include <ComCorvantixTandrelEyeController.h>
#include <ComCorvantixTandrelPreferenceController.h>
#include <SimDesktop.h>

#include <AppKit/NSControl.h>
#include <AppKit/NSWindow.h>

#include <memory>
#include <string>

namespace tandrel_test {

// The pane's bundle folder as the build assembles it from Tandrel_Preference_Pane/.
inline const std::string kPaneBundlePath = TANDREL_PANE_BUNDLE_PATH;

// The pane's texts and Info dictionary as values, for a bundle made in a test.
NSDictionary PaneInfoDictionary(std::optional<std::string> shortVersion = "1.0.0");

class PaneHost {
 public:
  // Loads the pane from the built bundle folder, in a new process "System Preferences".
  explicit PaneHost(sim::Desktop& desktop);
  // Loads the pane from a bundle the test made.
  PaneHost(sim::Desktop& desktop, std::unique_ptr<NSBundle> bundle);
  // Lets the pane go, then the layout. Must go before the desktop does.
  ~PaneHost();
  PaneHost(const PaneHost&) = delete;
  PaneHost& operator=(const PaneHost&) = delete;

  sim::Process& process() { return *process_; }
  NSBundle& bundle() { return *bundle_; }
  // Where the pane finds the daemon: "Tandrel.app" in its bundle's resources folder.
  std::string daemonBundlePath() const;
  // The controllers; null once unloaded.
  ComCorvantixTandrelPreferenceController* pane() { return pane_.get(); }
  ComCorvantixTandrelEyeController* eye() { return eye_.get(); }

  // --- the host's hooks
  void show();    // willSelect
  void leave();   // didUnselect
  void unload();  // the host lets the pane go and goes on running
  void quit();    // the host process ends, after letting the pane go

  // --- the user
  void clickOn();
  void clickOff();
  // Drags the slider to a value: the run loop tracks the mouse, the button is down.
  void moveSlider(float seconds);
  // Lets go of the slider where it is.
  void releaseSlider();
  void clickWebLink();
  void clickOpenUniversalAccess();
  // Turns access for assistive devices on or off on the desktop.
  void setAccessibility(bool enabled);

  // The pane as the user sees it, one "name: value" line each.
  std::string stateText() const;

  // --- the layout, for tests
  NSWindow& window() { return *window_; }
  NSMatrix& switchMatrix() { return *switchOnOff_; }
  NSSlider& slider() { return *slider_; }
  NSTextField& delayText() { return *delayText_; }
  NSProgressIndicator& spinner() { return *spinner_; }
  NSView& warningView() { return *warningView_; }
  NSView& warningIcon() { return *warningIcon_; }
  NSImageView& previewImage() { return *previewImage_; }
  NSTextField& aboutVersion() { return *aboutVersion_; }
  NSView& eyeBox() { return *eyeBox_; }
  NSImageView& eyeImage() { return *eyeImage_; }

 private:
  void load();
  void layOut();

  sim::Desktop& desktop_;
  sim::Process* process_ = nullptr;
  std::unique_ptr<NSBundle> bundle_;
  // The layout, owned here as an interface file's loader would own it.
  std::unique_ptr<NSWindow> window_;
  std::unique_ptr<NSView> mainView_;
  std::unique_ptr<NSMatrix> switchOnOff_;
  std::unique_ptr<NSProgressIndicator> spinner_;
  std::unique_ptr<NSView> previewView_;
  std::unique_ptr<NSImageView> previewImage_;
  std::unique_ptr<NSSlider> slider_;
  std::unique_ptr<NSTextField> delayText_;
  std::unique_ptr<NSView> warningView_;
  std::unique_ptr<NSView> warningIcon_;
  std::unique_ptr<NSControl> universalAccessButton_;
  std::unique_ptr<NSTextField> aboutVersion_;
  std::unique_ptr<NSControl> webLink_;
  std::unique_ptr<NSView> eyeBox_;
  std::unique_ptr<NSImageView> eyeImage_;
  std::unique_ptr<ComCorvantixTandrelPreferenceController> pane_;
  std::unique_ptr<ComCorvantixTandrelEyeController> eye_;
};

}  // namespace tandrel_test
