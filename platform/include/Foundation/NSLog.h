// One line to the system log, under the program's name.
#pragma once

// printf-style format and arguments.
void NSLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
