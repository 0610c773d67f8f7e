// The preference-pane host: loads a .prefPane bundle, makes its principal class, lays out its
// main view in a window and calls the pane's hooks as the window is shown and closed.
#pragma once

#include <tandrel/appkit/qt_desktop.h>

#include <Foundation/NSBundle.h>
#include <PreferencePanes/NSPreferencePane.h>

#include <memory>
#include <string>

class PaneHost {
 public:
  PaneHost() = default;
  // Lets the pane go first, then its layout, then the window.
  ~PaneHost();
  PaneHost(const PaneHost&) = delete;
  PaneHost& operator=(const PaneHost&) = delete;

  // Loads the bundle at `path`: its plug-in, its principal class (initWithBundle:), its main
  // view and mainViewDidLoad. False, with the reason, when any step fails.
  bool load(const std::string& path, std::string* error);
  // Shows the window: willSelect, then the window, then didSelect.
  void show();
  // The window is being closed: willUnselect and didUnselect, once per showing.
  void leave();

  QWidget* windowWidget() { return window_ ? window_->widget() : nullptr; }

 private:
  std::unique_ptr<NSBundle> bundle_;
  std::unique_ptr<NSPreferencePane> pane_;
  std::unique_ptr<qt_desktop::Nib> nib_;
  std::unique_ptr<qt_desktop::Window> window_;
  bool shown_ = false;
};
