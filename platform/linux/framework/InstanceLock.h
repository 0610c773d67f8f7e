// One running instance of a bundle per user and display: the instance holds a lock on a file in
// the user's runtime folder for as long as it runs, and a launcher can ask whether it is held.
#pragma once

#include <string>

namespace linux_desktop {

// $XDG_RUNTIME_DIR/tandrel/<identifier>@<display>.lock
std::string InstanceLockPath(const std::string& identifier);

class InstanceLock {
 public:
  // Tries once, without waiting.
  explicit InstanceLock(const std::string& identifier);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  bool held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

// Whether a running instance holds the lock. Asking takes no lock, so it cannot make a starting
// instance believe that another one runs.
bool InstanceLockHeld(const std::string& identifier);

}  // namespace linux_desktop
