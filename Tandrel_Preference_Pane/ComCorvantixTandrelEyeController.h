// The eye in the pane's preview box, moving toward the pointer ten times a second.
#pragma once

#include <AppKit/NSControl.h>
#include <Foundation/NSTimer.h>

class ComCorvantixTandrelEyeController : public NSObject {
 public:
  ComCorvantixTandrelEyeController() = default;
  // Stops the timer first: the layout may go while the run loop goes on.
  ~ComCorvantixTandrelEyeController() override;

  void awakeFromNib();
  void updateEye(NSObject* sender);

  // Outlets, connected by the interface layout.
  NSView* boundaryBox = nullptr;
  NSImageView* eyeImage = nullptr;

 private:
  NSTimer* eyeMovingTimer = nullptr;
  NSPoint sLastPosition{0, 0};  // the origin last given to the eye, in its superview's coordinates
};
