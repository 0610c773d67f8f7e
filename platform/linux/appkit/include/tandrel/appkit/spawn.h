// Starting programs the way the desktop starts applications: detached, without a shell.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tandrel::desktop {

// Starts argv[0] (looked up in PATH when `searchPath`) in a session of its own, with standard
// input from /dev/null and the signal dispositions and mask reset. Returns the process id, or -1
// with errno set when the program could not be started. The caller reaps it (ReapLater).
pid_t SpawnDetached(const std::vector<std::string>& argv, bool searchPath);

// Reaps the process when it ends, from the GLib main loop, so that it leaves no zombie.
void ReapLater(pid_t pid);

// Whether a program of that name is in PATH.
bool ProgramInPath(const std::string& name);

}  // namespace tandrel::desktop
