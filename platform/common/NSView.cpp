#include <AppKit/NSControl.h>
#include <AppKit/NSWindow.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

std::string Describe(NSPoint point) {
  char text[64];
  std::snprintf(text, sizeof text, "(%g, %g)", double(point.x), double(point.y));
  return text;
}

// The shortest text that reads back as the same number.
template <class Number>
NSString Format(Number value) {
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? NSString(text, end) : NSString("0");
}

}  // namespace

// --- views

NSView::~NSView() {
  if (window_ != nullptr) window_->contentView_ = nullptr;
  removeFromSuperview();
  for (NSView* view : subviews_) view->superview_ = nullptr;
}

void NSView::setFrame(NSRect frame) {
  frame_ = frame;
  didChange("frame " + Describe(frame.origin));
}

void NSView::setFrameOrigin(NSPoint origin) {
  frame_.origin = origin;
  didChange("origin " + Describe(origin));
}

void NSView::setHidden(bool hidden) {
  hidden_ = hidden;
  didChange(hidden ? "hidden" : "shown");
}

void NSView::addSubview(NSView* view) {
  view->removeFromSuperview();
  view->superview_ = this;
  subviews_.push_back(view);
}

void NSView::removeFromSuperview() {
  if (superview_ == nullptr) return;
  std::erase(superview_->subviews_, this);
  superview_ = nullptr;
}

NSWindow* NSView::window() const {
  const NSView* view = this;
  while (view->superview_ != nullptr) view = view->superview_;
  return view->window_;
}

NSPoint NSView::toWindow(NSPoint point) const {
  for (const NSView* view = this; view != nullptr; view = view->superview_) {
    point = {point.x - view->boundsOrigin_.x + view->frame_.origin.x,
             point.y - view->boundsOrigin_.y + view->frame_.origin.y};
  }
  return point;
}

NSPoint NSView::fromWindow(NSPoint point) const {
  // Outermost first: each view's frame is in the coordinates of the one above it.
  std::vector<const NSView*> chain;
  for (const NSView* view = this; view != nullptr; view = view->superview_) chain.push_back(view);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const NSView* view = *it;
    point = {point.x - view->frame_.origin.x + view->boundsOrigin_.x,
             point.y - view->frame_.origin.y + view->boundsOrigin_.y};
  }
  return point;
}

NSPoint NSView::convertPointFromView(NSPoint point, const NSView* view) const {
  return fromWindow(view ? view->toWindow(point) : point);
}

NSPoint NSView::convertPointToView(NSPoint point, const NSView* view) const {
  NSPoint base = toWindow(point);
  return view ? view->fromWindow(base) : base;
}

void NSView::didChange(std::string_view change) const {
  NSViewStateDidChange(*this, change);
}

// --- windows

NSWindow::~NSWindow() {
  if (contentView_ != nullptr) contentView_->window_ = nullptr;
}

void NSWindow::setContentView(NSView* view) {
  if (contentView_ != nullptr) contentView_->window_ = nullptr;
  contentView_ = view;
  if (view != nullptr) {
    view->removeFromSuperview();
    view->window_ = this;
  }
}

NSPoint NSWindow::mouseLocationOutsideOfEventStream() const {
  NSPoint screen = NSEvent::mouseLocation();
  return {screen.x - frame_.origin.x, screen.y - frame_.origin.y};
}

// --- controls

void NSControl::setEnabled(bool enabled) {
  enabled_ = enabled;
  didChange(enabled ? "enabled" : "disabled");
}

bool NSControl::sendAction() {
  if (!action_) return false;
  NSActionHandler action = action_;  // the action may replace itself
  action(this);
  return true;
}

void NSControl::setDoubleValue(double value) {
  value_ = value;
  text_ = Format(value);
  didChange("value " + text_);
}

void NSControl::setFloatValue(float value) {
  value_ = value;
  text_ = Format(value);
  didChange("value " + text_);
}

void NSControl::setStringValue(const NSString& text) {
  text_ = text;
  double parsed = 0.0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  value_ = error == std::errc() ? parsed : 0.0;
  didChange("text \"" + text + "\"");
}

void NSSlider::setDoubleValue(double value) {
  NSControl::setDoubleValue(std::clamp(value, minValue_, maxValue_));
}

void NSImageView::setAnimates(bool animates) {
  animates_ = animates;
  didChange(animates ? "animating" : "still");
}

void NSProgressIndicator::startAnimation(NSObject*) {
  animating_ = true;
  didChange("spinning");
}

void NSProgressIndicator::stopAnimation(NSObject*) {
  animating_ = false;
  didChange("stopped");
}

NSButtonCell* NSMatrix::addCell(NSInteger tag, NSString title) {
  cells_.push_back(std::make_unique<NSButtonCell>(*this, tag, std::move(title)));
  return cells_.back().get();
}

NSButtonCell* NSMatrix::cellWithTag(NSInteger tag) const {
  for (const auto& cell : cells_) {
    if (cell->tag() == tag) return cell.get();
  }
  return nullptr;
}

bool NSMatrix::selectCellWithTag(NSInteger tag) {
  NSButtonCell* cell = cellWithTag(tag);
  if (cell == nullptr) return false;
  selected_ = cell;
  didChange("selected tag " + std::to_string(tag));
  return true;
}

void NSButtonCell::performClick() {
  if (!matrix_.isEnabled()) return;
  matrix_.selectCellWithTag(tag_);
  NSActionHandler action = action_ ? action_ : matrix_.action_;
  if (action) action(&matrix_);
}
