#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tandrel::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extra_env) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  for (const auto& e : extra_env) env.push_back(const_cast<char*>(e.c_str()));
  env.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data()) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  out_fd_ = fds[0];
}

ChildProcess::~ChildProcess() {
  terminate();
  if (out_fd_ >= 0) close(out_fd_);
}

void ChildProcess::terminate() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (auto end = buffer_.find('\n'); end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || out_fd_ < 0) return std::nullopt;
    pollfd pfd{out_fd_, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[4096];
    const ssize_t n = read(out_fd_, chunk, sizeof chunk);
    if (n <= 0) return std::nullopt;
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

int ChildProcess::wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, 0);
  pid_ = -1;
  return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tandrel::testing
