// Launching an application bundle: its executable started detached with posix_spawn, once per
// user and display. The call returns when the application has started (it holds its instance
// lock), has found another instance and ended, or has failed.
#include <InstanceLock.h>
#include <tandrel/appkit/spawn.h>

#include <ApplicationServices/LaunchServices.h>
#include <Carbon/CarbonEvents.h>
#include <Foundation/NSBundle.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSURL.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr OSStatus kLSUnknownErr = -10810;
// How long an application may take to show that it runs before the launch counts as done all
// the same; a bundle without an instance lock waits this long.
constexpr auto kStartLimit = std::chrono::milliseconds(3000);
constexpr auto kPoll = std::chrono::milliseconds(5);

std::string InfoString(const NSBundle& bundle, const char* key) {
  const PropertyList* value = bundle.objectForInfoDictionaryKey(key);
  return value && value->string() ? *value->string() : std::string();
}

}  // namespace

OSStatus LSOpenFromURLSpec(const LSLaunchURLSpec* launchSpec, CFURLRef* outLaunchedURL) {
  using namespace tandrel::desktop;
  if (launchSpec == nullptr || launchSpec->appURL == nullptr || outLaunchedURL != nullptr)
    return paramErr;
  const std::string& path = launchSpec->appURL->path();
  std::unique_ptr<NSBundle> bundle = path.empty() ? nullptr : NSBundle::bundleWithPath(path);
  if (!bundle) return kLSApplicationNotFoundErr;
  std::string executable = InfoString(*bundle, "CFBundleExecutable");
  if (executable.empty()) return kLSNoExecutableErr;
  std::string program = path + "/Contents/Linux/" + executable;
  if (access(program.c_str(), X_OK) != 0) return kLSNoExecutableErr;

  std::string identifier = InfoString(*bundle, "CFBundleIdentifier");
  std::string lock = identifier.empty() ? "application" : identifier;
  if (linux_desktop::InstanceLockHeld(lock))
    return noErr;  // it runs already: never a second instance

  pid_t pid = SpawnDetached({program}, false);
  if (pid < 0) {
    NSLog("Cannot start %s: %s", program.c_str(), std::strerror(errno));
    return kLSUnknownErr;
  }
  auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) {
      // Ending at once with success means another instance was there first.
      bool another = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      if (!another) NSLog("%s ended as it started (status %d)", program.c_str(), status);
      return another ? noErr : kLSUnknownErr;
    }
    if (linux_desktop::InstanceLockHeld(lock)) break;
    std::this_thread::sleep_for(kPoll);
  }
  ReapLater(pid);
  return noErr;
}
