#pragma once

// Watches every mouse press, release and drag on an X display without grabbing anything, through
// the RECORD extension. Replies arrive on a second connection whose socket a GLib source watches,
// so the monitor costs nothing while the mouse is idle. A broken connection goes to Xlib's I/O
// error handler, as every other connection of the process does.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tandrel/desktop/mouse_event.h"

typedef struct _GMainContext GMainContext;

namespace tandrel::desktop {

enum class MonitorError {
  none,
  cannot_open_display,
  no_record_extension,
  cannot_create_context,
  cannot_enable_context,
};

const char* describe(MonitorError error);

class XRecordMonitor {
 public:
  using Handler = std::function<void(const MouseEvent&)>;

  struct Options {
    std::string display_name;         // empty: $DISPLAY
    GMainContext* context = nullptr;  // nullptr: the default main context
    std::chrono::milliseconds double_click_interval{400};
    int double_click_distance = 5;  // pixels
  };

  // nullptr with *error set (when error is not null) if the monitor cannot start.
  static std::unique_ptr<XRecordMonitor> create(Options options, Handler handler,
                                                MonitorError* error);
  ~XRecordMonitor();
  XRecordMonitor(const XRecordMonitor&) = delete;
  XRecordMonitor& operator=(const XRecordMonitor&) = delete;

  void setDoubleClickInterval(std::chrono::milliseconds interval);
  void setDoubleClickDistance(int pixels);

  // The pointer's buttons as the recorded events leave them: bit (n - 1) for X button n.
  // Wheel buttons 4 to 7 never appear.
  std::uint32_t buttonsDown() const;
  bool isButtonDown(unsigned x_button) const;

 private:
  struct Impl;
  explicit XRecordMonitor(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandrel::desktop
