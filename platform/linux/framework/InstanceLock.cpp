#include "InstanceLock.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace linux_desktop {
namespace {

// Open-file-description locks: owned by the open file, not the process, and testable with
// F_OFD_GETLK without taking them.
struct flock WholeFile(short type) {
  struct flock region {};
  region.l_type = type;
  region.l_whence = SEEK_SET;
  return region;
}

}  // namespace

std::string InstanceLockPath(const std::string& identifier) {
  std::string display = g_getenv("DISPLAY") ? g_getenv("DISPLAY") : "";
  for (char& c : display) {
    if (c == '/') c = '_';
  }
  std::filesystem::path folder = g_get_user_runtime_dir();
  return (folder / "tandrel" / (identifier + "@" + display + ".lock")).string();
}

InstanceLock::InstanceLock(const std::string& identifier) {
  std::filesystem::path path = InstanceLockPath(identifier);
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  struct flock region = WholeFile(F_WRLCK);
  held_ = fd_ >= 0 && fcntl(fd_, F_OFD_SETLK, &region) == 0;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

bool InstanceLockHeld(const std::string& identifier) {
  int fd = open(InstanceLockPath(identifier).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock region = WholeFile(F_WRLCK);
  bool held = fcntl(fd, F_OFD_GETLK, &region) == 0 && region.l_type != F_UNLCK;
  close(fd);
  return held;
}

}  // namespace linux_desktop
