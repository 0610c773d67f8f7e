// What the parts of the Qt desktop share among themselves.
#pragma once

#include <AppKit/NSView.h>

class QWidget;

namespace qt_desktop {

// Brings the widget in line with the view's state: place, visibility, enabled state, value,
// selection, animation.
void Sync(const NSView& view, QWidget* widget);

// While a modal alert runs, the user's input does not change the run loop's mode.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
};

// The top-level Qt window that shows the view, or null.
QWidget* WindowWidgetOf(const NSView* view);

// Dynamic properties by which the layout tells the desktop how to show a view's value.
inline constexpr const char* kScaleProperty = "tandrelScale";    // slider steps per unit
inline constexpr const char* kSuffixProperty = "tandrelSuffix";  // text after a field's value
inline constexpr const char* kTagProperty = "tag";               // a radio cell's tag

}  // namespace qt_desktop
