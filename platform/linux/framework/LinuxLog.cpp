// NSLog: one line to standard error and to the system log (the journal, where it runs), under the
// program's name.
#include <Foundation/NSLog.h>

#include <glib.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>

void NSLog(const char* format, ...) {
  char message[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);

  static bool opened = false;
  if (!opened) {
    openlog(g_get_prgname() ? g_get_prgname() : "Tandrel", LOG_PID, LOG_USER);
    opened = true;
  }
  syslog(LOG_NOTICE, "%s", message);

  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(stderr, "%s.%03ld %s[%d] %s\n", stamp, now.tv_nsec / 1000000,
               g_get_prgname() ? g_get_prgname() : "Tandrel", int(getpid()), message);
}
