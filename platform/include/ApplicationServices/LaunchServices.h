// Launching an application bundle.
#pragma once

#include <CoreFoundation/CFBase.h>

class NSURL;

using OSStatus = SInt32;
using CFURLRef = const NSURL*;
using CFArrayRef = const void*;
using LSLaunchFlags = UInt32;
struct AEDesc;

inline constexpr LSLaunchFlags kLSLaunchDefaults = 0x00000001;
inline constexpr LSLaunchFlags kLSLaunchAndPrint = 0x00000002;
inline constexpr LSLaunchFlags kLSLaunchDontAddToRecents = 0x00000100;
inline constexpr LSLaunchFlags kLSLaunchDontSwitch = 0x00000200;
inline constexpr LSLaunchFlags kLSLaunchAsync = 0x00010000;
inline constexpr LSLaunchFlags kLSLaunchNewInstance = 0x00080000;
inline constexpr LSLaunchFlags kLSLaunchAndHide = 0x00100000;

inline constexpr OSStatus kLSApplicationNotFoundErr = -10814;
inline constexpr OSStatus kLSLaunchInProgressErr = -10817;
inline constexpr OSStatus kLSNoExecutableErr = -10827;

struct LSLaunchURLSpec {
  CFURLRef appURL;
  CFArrayRef itemURLs;  // documents to open; none in this layer
  const AEDesc* passThruParams;
  LSLaunchFlags launchFlags;
  void* asyncRefCon;
};

// Launches the application at appURL, or brings it forward when it runs already (never a second
// instance). Without kLSLaunchAsync it returns once the application has started. Returns 0 on
// success. `outLaunchedURL` must be null.
OSStatus LSOpenFromURLSpec(const LSLaunchURLSpec* inLaunchSpec, CFURLRef* outLaunchedURL);
