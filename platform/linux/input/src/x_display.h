#pragma once

// Opening a connection, shared by the monitor, the poster and the settings reader.

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace tandrel::desktop::detail {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// On the Xvfb servers we test with, a few percent of new connections are reset by the server
// before its setup reply (measured: 3 to 25 % in a tight loop), so one refusal is not taken as
// an answer. Nothing waits between tries: a server that is not there refuses at once.
inline DisplayPtr openDisplay(const std::string& name) {
  constexpr int kTries = 10;
  for (int i = 0; i < kTries; ++i) {
    if (Display* d = XOpenDisplay(name.empty() ? nullptr : name.c_str())) return DisplayPtr(d);
  }
  return nullptr;
}

}  // namespace tandrel::desktop::detail
