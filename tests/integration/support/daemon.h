#pragma once

// The real daemon, started from its bundle, and the desktop services it talks to: the session
// bus its notifications travel on, the assistive-access switch and its preference domain.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

typedef struct _GDBusConnection GDBusConnection;

namespace tandrel::testing {

// Tandrel.app's executable, as the build placed it.
std::string daemonExecutable();

class Daemon {
 public:
  // Starts the daemon with its standard error joined to the output that the test reads.
  Daemon();
  bool started() const { return process_.started(); }

  // Waits for the process to end on its own within `limit`; its exit status, or nullopt when it
  // still runs. The lines it wrote on the way are kept in log().
  std::optional<int> waitForExit(std::chrono::milliseconds limit);
  // Reads whatever the daemon has written so far, for `quiet` at most.
  void drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(50));
  const std::vector<std::string>& log() const { return log_; }
  std::string logText() const;

 private:
  ChildProcess process_;
  std::vector<std::string> log_;
};

// The broadcast notifications on the session bus, as the pane or any other program sees them.
class NotificationBus {
 public:
  NotificationBus();
  ~NotificationBus();
  NotificationBus(const NotificationBus&) = delete;
  NotificationBus& operator=(const NotificationBus&) = delete;
  bool connected() const { return connection_ != nullptr; }

  void post(const std::string& name);
  // Whether `name` arrives within `limit`; names seen on the way are kept.
  bool waitFor(const std::string& name, std::chrono::milliseconds limit);
  // Pings until the daemon answers: it subscribes and installs its monitor in one step of its
  // launch, so a pong also says that it watches the mouse. Messages from one sender arrive in
  // order, so a pong also says that every notification posted before it has been handled.
  bool pingUntilPong(std::chrono::milliseconds limit = std::chrono::seconds(10));
  GDBusConnection* connection() const { return connection_; }

 private:
  struct State;
  GDBusConnection* connection_ = nullptr;
  unsigned subscription_ = 0;
  State* state_;
};

// Sets org.a11y.Status.IsEnabled, the desktop's assistive-access switch.
bool setAssistiveAccess(GDBusConnection* bus, bool enabled);

// Writes the shared preference domain with the given delay, or with no delay key at all.
void writePreferences(std::optional<float> popup_delay);

}  // namespace tandrel::testing
