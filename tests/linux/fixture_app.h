// A GTK window (a11y_fixture.py) in its own process, and where its parts are on screen.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <regex>
#include <string>

#include "atspi_hit_test.h"
#include "desktop_test_support.h"

namespace tandrel::desktop::testing {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  int centreX() const { return x + w / 2; }
  int centreY() const { return y + h / 2; }
};

struct FixtureLayout {
  unsigned long xid = 0;
  Rect row, button, background;
};

inline std::optional<Rect> parseRect(const std::string& json, const std::string& key) {
  const std::regex pattern("\"" + key +
                           R"(\": \{\"x\": (-?\d+), \"y\": (-?\d+), \"w\": (\d+), \"h\": (\d+)\})");
  std::smatch m;
  if (!std::regex_search(json, m, pattern)) return std::nullopt;
  return Rect{std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
}

// Moves window-relative rectangles (GTK 4) onto the screen.
inline void addWindowOrigin(FixtureLayout& layout) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, layout.xid, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  XCloseDisplay(display);
  for (Rect* r : {&layout.row, &layout.button, &layout.background}) {
    r->x += x;
    r->y += y;
  }
}

class FixtureApp {
 public:
  FixtureApp(const std::string& gtk, int x, int y, const std::string& title)
      : process_({"/usr/bin/python3", TANDREL_A11Y_FIXTURE, "--gtk", gtk, "--x", std::to_string(x),
                  "--y", std::to_string(y), "--title", title}) {
    if (!process_.started()) return;
    const std::string line = process_.readLine();
    std::smatch m;
    if (std::regex_search(line, m, std::regex(R"("xid": (\d+))"))) layout_.xid = std::stoul(m[1]);
    auto row = parseRect(line, "row");
    auto button = parseRect(line, "button");
    auto background = parseRect(line, "background");
    if (!row || !button || !background || layout_.xid == 0) return;
    layout_.row = *row;
    layout_.button = *button;
    layout_.background = *background;
    if (gtk == "4") addWindowOrigin(layout_);
    ready_ = true;
  }

  bool ready() const { return ready_; }
  const FixtureLayout& layout() const { return layout_; }
  ChildProcess& process() { return process_; }
  pid_t pid() const { return process_.pid(); }

 private:
  ChildProcess process_;
  FixtureLayout layout_;
  bool ready_ = false;
};

// Asks until the application has registered with AT-SPI (about 200 ms after it starts).
inline HitTestResult hitOnceRegistered(AtspiHitTest& hitTest, int x, int y, pid_t pid) {
  HitTestResult result;
  pumpUntil([&] {
    result = hitTest.elementAt(x, y);
    if (result.ok() && result.pid == pid) return true;
    g_usleep(20000);  // a poll interval while the application starts, not a measurement
    return false;
  });
  return result;
}

}  // namespace tandrel::desktop::testing
