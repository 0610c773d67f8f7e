// Where a desktop puts one formatted log line; NSLog formats it the same way everywhere.
#pragma once

namespace platform_common {

// Defined by each desktop.
void WriteLogLine(const char* line);

}  // namespace platform_common
