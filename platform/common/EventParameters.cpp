#include "EventParameters.h"

#include <cstring>

namespace platform_common {

OSStatus CopyEventParameter(EventParamType type, const void* value, ByteCount size,
                            EventParamType desiredType, EventParamType* outActualType,
                            ByteCount bufferSize, ByteCount* outActualSize, void* outData) {
  if (desiredType != type || bufferSize < size || outData == nullptr) return paramErr;
  std::memcpy(outData, value, size);
  if (outActualType) *outActualType = type;
  if (outActualSize) *outActualSize = size;
  return noErr;
}

}  // namespace platform_common
