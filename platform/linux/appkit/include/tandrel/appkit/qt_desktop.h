// The seam's views, windows and layouts on Qt 6 Widgets, for the programs that show them: each
// view of the seam has one widget that shows its state, and the user's input on a widget comes
// back to the view as the seam's actions.
#pragma once

#include <AppKit/NSView.h>
#include <AppKit/NSWindow.h>
#include <Foundation/NSBundle.h>

#include <memory>
#include <string>
#include <vector>

class QApplication;
class QWidget;

namespace qt_desktop {

// Sets the application up for the seam: the run loop follows the user's input (event tracking
// while a mouse button is held on a control), and the event being handled is known. False, with
// a reason, when Qt does not run on the GLib main loop, where the seam's timers live.
bool Install(QApplication& application, std::string* problem);

// Shows `view`'s state in `widget` from now on, until Unbind. Neither owns the other.
void Bind(NSView* view, QWidget* widget);
void Unbind(NSView* view);
QWidget* WidgetOf(const NSView* view);

// A layout read from a Qt Designer file: its views and their widgets, the objects it made, and
// the connections of both to the owner's outlets and actions by name. Owns all of them.
class Nib {
 public:
  // Reads the file, makes the objects, connects them to `owner` and sends awakeFromNib to the
  // objects it made. Classes of objects it made are recorded as coming from `bundle`. Nothing,
  // and a reason in `error`, when the file cannot be read or names what no loaded code provides.
  static std::unique_ptr<Nib> load(const std::string& path, NSObject* owner, NSBundle* bundle,
                                   std::string* error);
  ~Nib();
  Nib(const Nib&) = delete;
  Nib& operator=(const Nib&) = delete;

  // The layout's top view, and its widget.
  NSView* mainView() const;
  QWidget* mainWidget() const;
  // A view of the layout by its name, or null.
  NSView* viewNamed(const std::string& name) const;

  struct Parts;

 private:
  explicit Nib(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

// A top-level window for a content view: the seam's NSWindow, whose frame follows the Qt window
// on the screen, and the Qt widget that is the window. The content view fills it.
class Window {
 public:
  Window(NSSize contentSize, const std::string& title);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  NSWindow* window() { return window_.get(); }
  NSView* contentView() { return content_.get(); }
  QWidget* widget() { return widget_; }
  // Puts `view` (with its widget) into the content view at its frame.
  void addSubview(NSView* view);

 private:
  class Tracker;
  std::unique_ptr<NSWindow> window_;
  std::unique_ptr<NSView> content_;
  QWidget* widget_;
  std::unique_ptr<Tracker> tracker_;
};

// The screen's height, for turning Qt's top-down positions into the seam's bottom-up ones.
double ScreenHeight();

}  // namespace qt_desktop
