#pragma once

// A child process whose standard output the test reads line by line. Killed and reaped when the
// object goes, so a failed assertion never leaves a stray program on the display.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tandrel::testing {

class ChildProcess {
 public:
  // Starts argv[0] (searched in PATH) with `extra_env` entries ("NAME=value") added.
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::vector<std::string>& extra_env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // The next line of output, or nullopt at end of output or when `limit` passes first.
  std::optional<std::string> readLine(std::chrono::milliseconds limit);
  // Ends the child now (SIGTERM) and reaps it.
  void terminate();
  // Waits for the child to exit on its own; its exit status, or -1.
  int wait();

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1;
  std::string buffer_;
};

}  // namespace tandrel::testing
