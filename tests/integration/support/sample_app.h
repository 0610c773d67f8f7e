#pragma once

// The GTK 3 sample application, run for a test, and what it says.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace tandrel::testing {

struct Point {
  int x = 0;
  int y = 0;
};

// One line of the app's log: its kind, then key=value fields (a bare word goes under "name").
struct AppLine {
  std::string kind;
  std::map<std::string, std::string> fields;
  std::string text;

  int number(const std::string& key) const;  // 0 when absent
  Point point(const std::string& key) const;
};

AppLine parseAppLine(const std::string& text);

class SampleApp {
 public:
  // Whether the app joins the accessibility bus. The input tests keep it off; the daemon's tests
  // need it on, since the daemon asks AT-SPI what lies under the press point.
  enum class Accessibility { off, on };

  // Starts the app and waits for its "ready" line.
  explicit SampleApp(Accessibility accessibility = Accessibility::off);
  bool ready() const { return ready_; }
  // Screen centre of a target: "row0".."row3", "button", "label", "image".
  Point target(const std::string& name) const { return ready_line_.point(name); }

  // Reads lines until one of `kind` whose fields include all of `match`; nullopt if the app
  // says nothing of the kind before `limit`. Lines read on the way are kept in history().
  std::optional<AppLine> waitFor(const std::string& kind,
                                 const std::map<std::string, std::string>& match = {},
                                 std::chrono::milliseconds limit = std::chrono::seconds(5));
  const std::vector<AppLine>& history() const { return history_; }

 private:
  ChildProcess process_;
  bool ready_ = false;
  AppLine ready_line_;
  std::vector<AppLine> history_;
};

}  // namespace tandrel::testing
