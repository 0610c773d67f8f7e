// Helpers for tests that run inside a private headless desktop (run-headless.sh).
#pragma once

#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tandrel::desktop::testing {

// Runs the default main context until `done` holds or `guard` passes. The guard only
// keeps a broken build from hanging the suite; it is not a timing requirement.
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds guard = std::chrono::seconds(20)) {
  bool expired = false;
  const guint timer = g_timeout_add(
      static_cast<guint>(guard.count()),
      [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &expired);
  while (!done() && !expired) g_main_context_iteration(nullptr, TRUE);
  if (!expired) g_source_remove(timer);
  return done();
}

// A child process that is killed and reaped when the object goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv) {
    std::vector<const gchar*> args;
    for (const auto& a : argv) args.push_back(a.c_str());
    args.push_back(nullptr);
    GError* error = nullptr;
    process_ = g_subprocess_newv(args.data(), G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error);
    if (error) {
      error_ = error->message;
      g_error_free(error);
      return;
    }
    stdout_ = g_data_input_stream_new(g_subprocess_get_stdout_pipe(process_));
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    if (stdout_) g_object_unref(stdout_);
    if (process_) {
      g_subprocess_force_exit(process_);
      g_subprocess_wait(process_, nullptr, nullptr);
      g_object_unref(process_);
    }
  }

  bool started() const { return process_ != nullptr; }
  const std::string& error() const { return error_; }
  pid_t pid() const {
    const gchar* id = process_ ? g_subprocess_get_identifier(process_) : nullptr;
    return id ? static_cast<pid_t>(std::stol(id)) : 0;
  }
  void sendSignal(int signal) { g_subprocess_send_signal(process_, signal); }

  // Blocks for the next line of the child's standard output; empty at end of stream.
  std::string readLine() {
    gsize length = 0;
    gchar* line = g_data_input_stream_read_line_utf8(stdout_, &length, nullptr, nullptr);
    std::string result = line ? std::string(line, length) : std::string();
    g_free(line);
    return result;
  }

  // Waits for the child to exit by itself; true when it exited with status 0.
  bool waitSuccess() {
    return g_subprocess_wait(process_, nullptr, nullptr) && g_subprocess_get_if_exited(process_) &&
           g_subprocess_get_exit_status(process_) == 0;
  }

 private:
  GSubprocess* process_ = nullptr;
  GDataInputStream* stdout_ = nullptr;
  std::string error_;
};

}  // namespace tandrel::desktop::testing
