#include "daemon.h"

#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "desktop.h"

namespace tandrel::testing {

namespace {

constexpr const char* kObjectPath = "/org/corvantix/Tandrel";
constexpr const char* kInterface = "org.corvantix.Tandrel.Notifications";
constexpr const char* kMember = "Notification";

}  // namespace

std::string daemonExecutable() {
  return TANDREL_DAEMON_EXECUTABLE;
}

Daemon::Daemon()
    // The shell only joins standard error to standard output; exec leaves the daemon with the
    // pid the test ends it by.
    : process_({"/bin/sh", "-c", "exec \"$0\" 2>&1", daemonExecutable()}) {}

std::optional<int> Daemon::waitForExit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    auto line = process_.readLine(left);
    if (line) {
      log_.push_back(*line);
      continue;
    }
    // No line before the deadline: the daemon is still running. No line with time left: the
    // output closed, so the daemon has ended.
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    return process_.wait();
  }
}

void Daemon::drain(std::chrono::milliseconds quiet) {
  while (auto line = process_.readLine(quiet)) log_.push_back(*line);
}

std::string Daemon::logText() const {
  std::string text;
  for (const auto& line : log_) text += line + "\n";
  return text;
}

struct NotificationBus::State {
  std::deque<std::string> received;
};

NotificationBus::NotificationBus() : state_(new State) {
  connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (connection_ == nullptr) return;
  subscription_ = g_dbus_connection_signal_subscribe(
      connection_, nullptr, kInterface, kMember, kObjectPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
         GVariant* parameters, gpointer data) {
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)"))) return;
        const gchar* name = nullptr;
        g_variant_get(parameters, "(&s)", &name);
        static_cast<State*>(data)->received.emplace_back(name);
      },
      state_, nullptr);
  // The match rule is in place only once the bus has handled it: one round trip makes sure.
  GVariant* reply = g_dbus_connection_call_sync(
      connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId",
      nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
  if (reply) g_variant_unref(reply);
}

NotificationBus::~NotificationBus() {
  if (connection_) {
    g_dbus_connection_signal_unsubscribe(connection_, subscription_);
    g_object_unref(connection_);
  }
  delete state_;
}

void NotificationBus::post(const std::string& name) {
  g_dbus_connection_emit_signal(connection_, nullptr, kObjectPath, kInterface, kMember,
                                g_variant_new("(s)", name.c_str()), nullptr);
  g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
}

bool NotificationBus::waitFor(const std::string& name, std::chrono::milliseconds limit) {
  auto take = [&] {
    while (!state_->received.empty()) {
      const bool match = state_->received.front() == name;
      state_->received.pop_front();
      if (match) return true;
    }
    return false;
  };
  bool found = false;
  // The subscription lives on the thread-default context of whoever made the connection: ours.
  pumpUntil(
      g_main_context_default(), [&] { return found || (found = take()); }, limit);
  return found;
}

bool NotificationBus::pingUntilPong(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    post("com.corvantix.tandrel.Ping");
    if (waitFor("com.corvantix.tandrel.Pong", std::chrono::milliseconds(200))) return true;
  }
  return false;
}

bool setAssistiveAccess(GDBusConnection* bus, bool enabled) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
      g_variant_new("(ssv)", "org.a11y.Status", "IsEnabled", g_variant_new_boolean(enabled)),
      nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
  if (reply) g_variant_unref(reply);
  if (error) {
    std::fprintf(stderr, "IsEnabled not set: %s\n", error->message);
    g_error_free(error);
    return false;
  }
  return true;
}

void writePreferences(std::optional<float> popup_delay) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::filesystem::path folder =
      (config && config[0] == '/' ? std::filesystem::path(config)
                                  : std::filesystem::path(home ? home : "/") / ".config") /
      "tandrel" / "preferences";
  std::filesystem::create_directories(folder);
  // Written beside and renamed over, as the pane saves: a reader never sees half a file.
  const auto file = folder / "com.corvantix.tandrel.plist";
  const auto temporary = folder / "com.corvantix.tandrel.plist.test-new";
  {
    std::ofstream out(temporary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n";
    if (popup_delay) {
      char value[32];
      std::snprintf(value, sizeof value, "%.9g", static_cast<double>(*popup_delay));
      out << "\t<key>Tandrel_PopupDelay</key>\n\t<real>" << value << "</real>\n";
    }
    out << "</dict>\n</plist>\n";
  }
  std::filesystem::rename(temporary, file);
}

}  // namespace tandrel::testing
