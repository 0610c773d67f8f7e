// Windows, the pointer as a window sees it, and the event being handled.
#pragma once

#include <AppKit/NSView.h>

// An event of the window system; the layer exposes what the system reads of it.
class NSEvent : public NSObject {
 public:
  explicit NSEvent(float pressure) : pressure_(pressure) {}
  // 1.0 while the mouse button is held down, 0.0 for a release or an event without pressure.
  float pressure() const { return pressure_; }

  // The pointer's position now, in global screen coordinates.
  static NSPoint mouseLocation();

 private:
  float pressure_;
};

class NSWindow : public NSObject {
 public:
  // `frame` is in global screen coordinates.
  explicit NSWindow(NSRect frame) : frame_(frame) {}
  ~NSWindow() override;

  NSRect frame() const { return frame_; }
  // The desktop moves and resizes the window; the frame follows it.
  void setFrame(NSRect frame) { frame_ = frame; }
  NSView* contentView() const { return contentView_; }
  // The view fills the window; the window does not own it.
  void setContentView(NSView* view);

  // The pointer's position now, in the window's base coordinates, read directly rather than
  // from the queued events.
  NSPoint mouseLocationOutsideOfEventStream() const;
  // The event the application is handling now, or null. Implemented by the desktop.
  NSEvent* currentEvent() const;

 private:
  friend class NSView;
  NSRect frame_;
  NSView* contentView_ = nullptr;
};
