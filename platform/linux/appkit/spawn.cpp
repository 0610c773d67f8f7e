#include <tandrel/appkit/spawn.h>

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

namespace tandrel::desktop {

pid_t SpawnDetached(const std::vector<std::string>& argv, bool searchPath) {
  if (argv.empty()) {
    errno = EINVAL;
    return -1;
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_init(&actions);
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

  pid_t pid = -1;
  int error = searchPath ? posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ)
                         : posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    errno = error;
    return -1;
  }
  return pid;
}

void ReapLater(pid_t pid) {
  if (pid <= 0) return;
  g_child_watch_add(
      pid, [](GPid child, gint, gpointer) { g_spawn_close_pid(child); }, nullptr);
}

bool ProgramInPath(const std::string& name) {
  gchar* found = g_find_program_in_path(name.c_str());
  bool there = found != nullptr;
  g_free(found);
  return there;
}

}  // namespace tandrel::desktop
