// tandrel-login-items: started by the desktop at login through its autostart entry. Opens every
// application of the login launch list, the "AutoLaunchedApplicationDictionary" of the
// "loginwindow" domain, hidden where its "Hide" is true, and exits.
#include <tandrel/appkit/spawn.h>

#include <ApplicationServices/LaunchServices.h>
#include <Carbon/CarbonEvents.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSURL.h>
#include <Foundation/NSUserDefaults.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

bool IsApplicationBundle(const std::string& path) {
  struct stat info {};
  return path.size() > 4 && path.compare(path.size() - 4, 4, ".app") == 0 &&
         stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Open(const std::string& path, bool hide) {
  if (IsApplicationBundle(path)) {
    NSURL url = NSURL::fileURLWithPath(path);
    LSLaunchURLSpec launchSpec{
        &url, nullptr, nullptr,
        kLSLaunchDontAddToRecents | kLSLaunchDontSwitch | (hide ? kLSLaunchAndHide : 0), nullptr};
    OSStatus status = LSOpenFromURLSpec(&launchSpec, nullptr);
    if (status != noErr) NSLog("Error LSOpenFromURLSpec %d: %s", int(status), path.c_str());
    return status == noErr;
  }
  // Any other program in the list is started as it is; hiding is up to it.
  if (access(path.c_str(), X_OK) == 0) {
    pid_t pid = tandrel::desktop::SpawnDetached({path}, false);
    if (pid < 0) NSLog("Cannot start %s: %s", path.c_str(), std::strerror(errno));
    return pid > 0;
  }
  NSLog("Login item %s is not an application", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc > 1) {
    std::fprintf(stderr, "usage: %s\nOpens the applications of the login launch list.\n", argv[0]);
    return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  NSUserDefaults defaults;
  std::optional<NSDictionary> domain = defaults.persistentDomainForName("loginwindow");
  const PropertyList* list =
      domain ? domain->objectForKey("AutoLaunchedApplicationDictionary") : nullptr;
  if (list == nullptr || list->array() == nullptr) return 0;

  int failures = 0;
  for (const PropertyList& element : *list->array()) {
    const NSDictionary* item = element.dictionary();
    const PropertyList* path = item ? item->objectForKey("Path") : nullptr;
    if (path == nullptr || path->string() == nullptr) continue;
    const PropertyList* hide = item->objectForKey("Hide");
    bool hidden = hide && hide->number() && hide->number()->boolValue();
    if (!Open(NSStringByExpandingTildeInPath(*path->string()), hidden)) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
