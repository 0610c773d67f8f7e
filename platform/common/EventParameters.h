// GetEventParameter's contract, the same on every desktop.
#pragma once

#include <Carbon/CarbonEvents.h>

namespace platform_common {

// Copies a parameter of type `type` and `size` bytes into the caller's buffer when the caller
// asked for that type and gave room enough; otherwise leaves the buffer alone and says why.
OSStatus CopyEventParameter(EventParamType type, const void* value, ByteCount size,
                            EventParamType desiredType, EventParamType* outActualType,
                            ByteCount bufferSize, ByteCount* outActualSize, void* outData);

}  // namespace platform_common
