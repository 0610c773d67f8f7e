#include "EventParameters.h"

#include <cstring>

// The monitor target and handler pointers are plain values on every desktop.
EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr handler) {
  return handler;
}

EventTargetRef GetEventMonitorTarget() {
  static int monitorTarget;
  return reinterpret_cast<EventTargetRef>(&monitorTarget);
}

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
