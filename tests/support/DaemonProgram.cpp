#include "DaemonProgram.h"

#include <TandrelApp.h>

#include <memory>
#include <stdexcept>

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
  // The bundle's own Info dictionary and interface description, as the build lays them out.
  std::unique_ptr<NSBundle> built = NSBundle::bundleWithPath(TANDREL_APP_DIR);
  if (!built || !built->propertyListResource("MainMenu")) {
    throw std::runtime_error("cannot read the daemon's bundle at " TANDREL_APP_DIR);
  }
  desktop.registerProgram(bundlePath,
                          {NSBundle(bundlePath, built->infoDictionary(),
                                    {{"MainMenu", *built->propertyListResource("MainMenu")}}),
                           ResetDaemonProcessImage});

  desktop.nameFunction(reinterpret_cast<const void*>(&TNDRMouseDownEventHandler),
                       "TNDRMouseDownEventHandler");
  desktop.nameFunction(reinterpret_cast<const void*>(&TNDRDisplayIndicatorTimerCallback),
                       "indicator timer");
  desktop.nameFunction(reinterpret_cast<const void*>(&TNDRShowContextMenuTimerCallback),
                       "context-menu timer");
}

}  // namespace tandrel_test
