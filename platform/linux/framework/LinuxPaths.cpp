// The user's home folder, for tilde paths.
#include <Foundation/NSString.h>

#include <glib.h>
#include <pwd.h>

#include <vector>

NSString NSHomeDirectory() {
  return g_get_home_dir();
}

NSString NSHomeDirectoryForUser(const NSString& userName) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwnam_r(userName.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return {};
  }
  return found->pw_dir;
}
