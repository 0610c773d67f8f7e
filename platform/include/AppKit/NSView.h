// Views: rectangles of a window, nested in one another, each with its own coordinates.
#pragma once

#include <Foundation/NSGeometry.h>
#include <Foundation/NSObject.h>
#include <Foundation/NSString.h>

#include <string_view>
#include <vector>

class NSWindow;

class NSView : public NSObject {
 public:
  NSView() = default;
  explicit NSView(NSRect frame) : frame_(frame) {}
  // Leaves its superview and window and lets its subviews go; views are owned by whoever laid
  // them out, in any order.
  ~NSView() override;

  // The name the interface layout gives the view, for the desktop's records.
  const NSString& identifier() const { return identifier_; }
  void setIdentifier(NSString identifier) { identifier_ = std::move(identifier); }

  // The frame is in the superview's coordinates (the window's for a content view); the bounds
  // are the view's own rectangle: its own origin and the frame's size.
  NSRect frame() const { return frame_; }
  void setFrame(NSRect frame);
  void setFrameOrigin(NSPoint origin);
  NSRect bounds() const { return {boundsOrigin_, frame_.size}; }
  void setBoundsOrigin(NSPoint origin) { boundsOrigin_ = origin; }

  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);

  NSView* superview() const { return superview_; }
  const std::vector<NSView*>& subviews() const { return subviews_; }
  void addSubview(NSView* view);
  void removeFromSuperview();
  // The window the view is in, or null while it is in none.
  NSWindow* window() const;

  // From `view`'s coordinates into this view's; a null `view` stands for the window's base
  // coordinates. Both views are in the same window.
  NSPoint convertPointFromView(NSPoint point, const NSView* view) const;
  // From this view's coordinates into `view`'s, or the window's base coordinates when null.
  NSPoint convertPointToView(NSPoint point, const NSView* view) const;

 protected:
  // Tells the desktop what changed, so that it can show it.
  void didChange(std::string_view change) const;

 private:
  friend class NSWindow;
  NSPoint toWindow(NSPoint point) const;
  NSPoint fromWindow(NSPoint point) const;

  NSString identifier_;
  NSRect frame_{{0, 0}, {0, 0}};
  NSPoint boundsOrigin_{0, 0};
  bool hidden_ = false;
  NSView* superview_ = nullptr;
  std::vector<NSView*> subviews_;
  NSWindow* window_ = nullptr;  // set on a window's content view only
};

// Implemented by the desktop: a view's state changed ("hidden", "origin (x, y)", "disabled",
// "selected tag 0", ...). The desktop redraws it, or records it.
void NSViewStateDidChange(const NSView& view, std::string_view change);
