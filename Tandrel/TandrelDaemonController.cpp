#include "TandrelDaemonController.h"

#include "TandrelApp.h"
#include "TandrelContract.h"

#include <Foundation/NSLog.h>
#include <Foundation/NSUserDefaults.h>

EventHandlerUPP TNDRMouseDownEventHandleFunction = nullptr;
EventHandlerRef TNDRMouseDownEventHandlerRef = nullptr;

// The application's interface description names this class as its delegate.
NS_REGISTER_CLASS(TandrelDaemonController);

TandrelDaemonController::~TandrelDaemonController() {
  if (TNDRMouseDownEventHandlerRef != nullptr) RemoveEventHandler(TNDRMouseDownEventHandlerRef);
  TNDRMouseDownEventHandlerRef = nullptr;
  NSNotificationCenter::defaultCenter()->removeObserver(this);
  // The controller can go before the process does; nothing may call into it afterwards.
  NSDistributedNotificationCenter::defaultCenter()->removeObserver(this);
}

void TandrelDaemonController::applicationDidFinishLaunching(NSNotification* notification) {
  (void)notification;
  updatePrefsReceived(nullptr);

  NSDistributedNotificationCenter* center = NSDistributedNotificationCenter::defaultCenter();
  center->postNotificationName(kTandrelMustQuitNotification, nullptr);
  center->addObserver(this, &TandrelDaemonController::pingReceived, kTandrelPingNotification,
                      nullptr);
  center->addObserver(this, &TandrelDaemonController::shutdownReceived,
                      kTandrelShutdownRequestNotification, nullptr);
  center->addObserver(this, &TandrelDaemonController::updatePrefsReceived,
                      kTandrelUpdatePreferencesNotification, nullptr);

  TNDRMouseDownEventHandleFunction = NewEventHandlerUPP(TNDRMouseDownEventHandler);
  const EventTypeSpec mouseEvents[] = {
      {kEventClassMouse, kEventMouseDown},
      {kEventClassMouse, kEventMouseUp},
      {kEventClassMouse, kEventMouseDragged},
  };
  OSErr error = static_cast<OSErr>(
      InstallEventHandler(GetEventMonitorTarget(), TNDRMouseDownEventHandleFunction, 3, mouseEvents,
                          this, &TNDRMouseDownEventHandlerRef));
  if (error != noErr) NSLog("Error installin Event Handler: %d", error);
}

void TandrelDaemonController::pingReceived(NSNotification* notification) {
  (void)notification;
  NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPongNotification,
                                                                         nullptr);
}

void TandrelDaemonController::shutdownReceived(NSNotification* notification) {
  (void)notification;
  NSApp->terminate(nullptr);
}

void TandrelDaemonController::updatePrefsReceived(NSNotification* notification) {
  (void)notification;
  NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
  defaults->synchronize();
  defaults->addSuiteNamed(kTandrelDomain);
  sPopupDelay = defaults->floatForKey(kTandrelPopupDelayKey);
}
