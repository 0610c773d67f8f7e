#include "LogLine.h"

#include <Foundation/NSLog.h>

#include <cstdarg>
#include <cstdio>

void NSLog(const char* format, ...) {
  char line[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  platform_common::WriteLogLine(line);
}
