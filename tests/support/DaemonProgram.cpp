#include "DaemonProgram.h"

#include <TandrelApp.h>

namespace tandrel_test {

void ResetDaemonProcessImage() {
  sPopupDelay = 0.0f;
  sLastMouseDownPosition = {0.0f, 0.0f};
  sDisplayIndicatorTimer = nullptr;
  sDisplayContextMenuTimer = nullptr;
  sIgnoreMouseEventCounter = 0;
  sPostRightMouseUp = false;
  sWaitingForMouseUp = 0;
  sSystemWideElement = nullptr;
  TNDRMouseDownEventHandleFunction = nullptr;
  TNDRMouseDownEventHandlerRef = nullptr;
}

void RegisterDaemonProgram(sim::Desktop& desktop, const std::string& bundlePath) {
  NSDictionary info;
  info.setObject("com.corvantix.tandrel.daemon", "CFBundleIdentifier");
  info.setObject("Tandrel", "CFBundleExecutable");
  info.setObject("MainMenu", "NSMainNibFile");
  info.setObject(NSNumber::numberWithBool(true), "LSBackgroundOnly");
  NSDictionary mainMenu;
  mainMenu.setObject("TandrelDaemonController", "delegate");
  desktop.registerProgram(
      bundlePath, {NSBundle(bundlePath, info, {{"MainMenu", mainMenu}}), ResetDaemonProcessImage});

  desktop.nameFunction(reinterpret_cast<const void*>(&TNDRMouseDownEventHandler),
                       "TNDRMouseDownEventHandler");
  desktop.nameFunction(reinterpret_cast<const void*>(&TNDRDisplayIndicatorTimerCallback),
                       "indicator timer");
  desktop.nameFunction(reinterpret_cast<const void*>(&TNDRShowContextMenuTimerCallback),
                       "context-menu timer");
}

}  // namespace tandrel_test
