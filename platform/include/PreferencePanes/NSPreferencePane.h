// A preference pane: a plug-in of the preferences host, with its bundle, its main view and the
// hooks the host calls as the user shows and leaves it.
#pragma once

#include <AppKit/NSView.h>
#include <Foundation/NSBundle.h>

class NSPreferencePane : public NSObject {
 public:
  NSPreferencePane() = default;

  // The host's initialiser. Returns the pane, or null when it cannot be set up (no bundle). The
  // host keeps the bundle for as long as the pane lives.
  virtual NSPreferencePane* initWithBundle(NSBundle* bundle) {
    if (bundle == nullptr) return nullptr;
    bundle_ = bundle;
    return this;
  }

  NSBundle* bundle() const { return bundle_; }
  // The pane's view, laid out by the host from the pane's interface; the pane does not own it.
  NSView* mainView() const { return mainView_; }
  void setMainView(NSView* view) { mainView_ = view; }

  // Once, after the main view and the outlets have been loaded.
  virtual void mainViewDidLoad() {}
  // Each time the pane is about to be shown, and once it is.
  virtual void willSelect() {}
  virtual void didSelect() {}
  // Each time the pane is about to be left, and once it has been.
  virtual void willUnselect() {}
  virtual void didUnselect() {}

 private:
  NSBundle* bundle_ = nullptr;
  NSView* mainView_ = nullptr;
};
