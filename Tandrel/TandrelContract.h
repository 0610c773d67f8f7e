// What the daemon and the preference pane agree on: the preference domain, its keys, the
// notification names and the default delay. Both sides include this; neither links the other.
#pragma once

#include <Carbon/CarbonEvents.h>

inline constexpr const char* kTandrelDomain = "com.corvantix.tandrel";
inline constexpr const char* kTandrelPopupDelayKey = "Tandrel_PopupDelay";
inline constexpr const char* kTandrelFirstRunKey = "Tandrel_FirstRun";

inline constexpr const char* kTandrelPingNotification = "com.corvantix.tandrel.Ping";
inline constexpr const char* kTandrelPongNotification = "com.corvantix.tandrel.Pong";
inline constexpr const char* kTandrelShutdownRequestNotification =
    "com.corvantix.tandrel.ShutdownRequest";
inline constexpr const char* kTandrelUpdatePreferencesNotification =
    "com.corvantix.tandrel.UpdatePreferences";
inline constexpr const char* kTandrelMustQuitNotification = "KVZ_PellorinMustQuitNotification";

inline constexpr const char* kTandrelDaemonBundleName = "Tandrel.app";

// 1.2 times the double-click interval: 0.02 s per tick of 1/60 s, in double precision, then
// narrowed to the 32-bit float that the domain and the slider hold.
inline float TNDRDefaultPopupDelay() {
  return static_cast<float>(double(GetDblTime()) * 0.02);
}
