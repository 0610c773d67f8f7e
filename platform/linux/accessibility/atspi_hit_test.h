// The accessible element at a screen point, across the whole desktop.
//
// AT-SPI knows no stacking order, so the window comes from X: the topmost mapped
// top-level window containing the point, followed down to the window carrying
// _NET_WM_PID. The AT-SPI application with that process id gives the showing frame
// that contains the point, and get_accessible_at_point descends from there.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>

typedef struct _AtspiAccessible AtspiAccessible;

namespace tandrel::desktop {

// Owns one reference to an AtspiAccessible. Copies add a reference.
class AccessibleElement {
 public:
  AccessibleElement() = default;
  // Adopts the caller's reference.
  explicit AccessibleElement(AtspiAccessible* adopted) : object_(adopted) {}
  AccessibleElement(const AccessibleElement& other);
  AccessibleElement& operator=(const AccessibleElement& other);
  AccessibleElement(AccessibleElement&& other) noexcept;
  AccessibleElement& operator=(AccessibleElement&& other) noexcept;
  ~AccessibleElement();

  AtspiAccessible* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset();

 private:
  AtspiAccessible* object_ = nullptr;
};

struct HitTestResult {
  // 0 on success, otherwise one of the AtspiHitTest::k* codes.
  int error = 0;
  // For a log line when error is not 0.
  std::string message;
  AccessibleElement element;
  // The system's role name ("AXRow", "AXButton", ...); empty on error.
  std::string role;
  // AT-SPI's own name for the answering element's role ("table cell"), for logs.
  std::string atspiRole;
  pid_t pid = 0;

  bool ok() const { return error == 0; }
};

class AtspiHitTest {
 public:
  static constexpr int kNoElementAtPoint = 1;  // nothing there: root window, no frame
  static constexpr int kCallFailed = 2;        // an AT-SPI call failed
  static constexpr int kNoApplication = 3;     // the window's process is not in AT-SPI
  static constexpr int kTimedOut = 4;          // the application did not answer in time
  static constexpr int kNoDisplay = 5;         // no X display could be opened

  // Opens its own X display connection ($DISPLAY) and initialises libatspi, whose
  // calls give up after `timeout` so a frozen application cannot hang the caller.
  explicit AtspiHitTest(std::chrono::milliseconds timeout = std::chrono::milliseconds(500));
  ~AtspiHitTest();
  AtspiHitTest(const AtspiHitTest&) = delete;
  AtspiHitTest& operator=(const AtspiHitTest&) = delete;

  // Synchronous; call from the thread that runs the default GLib main context.
  HitTestResult elementAt(int screenX, int screenY);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tandrel::desktop
