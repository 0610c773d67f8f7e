// Log lines go to standard error and to the system log (the journal, where it runs), under the
// program's name.
#include <LogLine.h>

#include <glib.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

void platform_common::WriteLogLine(const char* message) {
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
