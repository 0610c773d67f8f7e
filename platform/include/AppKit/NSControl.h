// Controls: views that hold a value, can be switched off, and send an action to a target.
#pragma once

#include <AppKit/NSView.h>

#include <functional>
#include <memory>

using NSActionHandler = std::function<void(NSObject* sender)>;

class NSControl : public NSView {
 public:
  using NSView::NSView;

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);

  // The action the control sends, as target and selector.
  template <class Target>
  void setTarget(Target* target, void (Target::*action)(NSObject*)) {
    action_ = [target, action](NSObject* sender) { (target->*action)(sender); };
  }
  void setAction(NSActionHandler action) { action_ = std::move(action); }
  // Sends the action with the control as sender. False when it has none.
  bool sendAction();

  // The value, as a number and as text; setting one sets the other.
  virtual void setDoubleValue(double value);
  double doubleValue() const { return value_; }
  void setFloatValue(float value);
  float floatValue() const { return static_cast<float>(value_); }
  void setStringValue(const NSString& text);
  const NSString& stringValue() const { return text_; }

 protected:
  NSActionHandler action_;

 private:
  bool enabled_ = true;
  double value_ = 0.0;
  NSString text_ = "0";
};

class NSMatrix;

// A radio cell of a matrix, known by its tag.
class NSButtonCell : public NSObject {
 public:
  NSButtonCell(NSMatrix& matrix, NSInteger tag, NSString title)
      : matrix_(matrix), tag_(tag), title_(std::move(title)) {}

  NSInteger tag() const { return tag_; }
  const NSString& title() const { return title_; }
  template <class Target>
  void setTarget(Target* target, void (Target::*action)(NSObject*)) {
    action_ = [target, action](NSObject* sender) { (target->*action)(sender); };
  }
  // What a click of the user does: while the matrix is enabled, selects the cell and sends its
  // action (the matrix's when the cell has none), with the matrix as sender.
  void performClick();

 private:
  friend class NSMatrix;
  NSMatrix& matrix_;
  NSInteger tag_;
  NSString title_;
  NSActionHandler action_;
};

// Radio cells in a matrix: at most one is selected.
class NSMatrix : public NSControl {
 public:
  using NSControl::NSControl;

  // A new cell at the end; the matrix owns it.
  NSButtonCell* addCell(NSInteger tag, NSString title);
  NSButtonCell* cellWithTag(NSInteger tag) const;
  // Selects the cell with the tag. False, and the selection unchanged, when there is none.
  bool selectCellWithTag(NSInteger tag);
  NSButtonCell* selectedCell() const { return selected_; }
  // The selected cell's tag, or -1 when none is selected.
  NSInteger selectedTag() const { return selected_ ? selected_->tag() : -1; }

 private:
  friend class NSButtonCell;
  std::vector<std::unique_ptr<NSButtonCell>> cells_;
  NSButtonCell* selected_ = nullptr;
};

// A slider between a minimum and a maximum; values outside are brought to the nearer end.
class NSSlider : public NSControl {
 public:
  using NSControl::NSControl;

  double minValue() const { return minValue_; }
  double maxValue() const { return maxValue_; }
  void setMinValue(double value) { minValue_ = value; }
  void setMaxValue(double value) { maxValue_ = value; }
  void setDoubleValue(double value) override;

 private:
  double minValue_ = 0.0;
  double maxValue_ = 1.0;
};

class NSTextField : public NSControl {
 public:
  using NSControl::NSControl;
};

// A picture, which can be animated.
class NSImageView : public NSControl {
 public:
  using NSControl::NSControl;

  bool animates() const { return animates_; }
  void setAnimates(bool animates);

 private:
  bool animates_ = false;
};

// A spinner that shows that something is under way.
class NSProgressIndicator : public NSView {
 public:
  using NSView::NSView;

  void startAnimation(NSObject* sender);
  void stopAnimation(NSObject* sender);
  bool isAnimating() const { return animating_; }

 private:
  bool animating_ = false;
};
