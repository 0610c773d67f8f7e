#include "ComCorvantixTandrelPreferenceController.h"

#include <AppKit/NSPanel.h>
#include <AppKit/NSWorkspace.h>
#include <ApplicationServices/Accessibility.h>
#include <ApplicationServices/LaunchServices.h>
#include <Carbon/CarbonEvents.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSURL.h>
#include <Foundation/NSUserDefaults.h>
#include <TandrelContract.h>

#include <charconv>

namespace {

constexpr const char* kLoginWindowDomain = "loginwindow";
constexpr const char* kAutoLaunchedApplicationsKey = "AutoLaunchedApplicationDictionary";
constexpr const char* kUniversalAccessPanePath =
    "/System/Library/PreferencePanes/UniversalAccessPref.prefPane";
constexpr NSInteger kOnCellTag = 0;
constexpr NSInteger kOffCellTag = 1;

// A stored value as a float: a number's value, a numeric string's, 0 for anything else.
float FloatValue(const PropertyList& value) {
  if (const NSNumber* number = value.number()) return number->floatValue();
  if (const NSString* text = value.string()) {
    float parsed = 0.0f;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), parsed);
    return error == std::errc() ? parsed : 0.0f;
  }
  return 0.0f;
}

}  // namespace

NS_REGISTER_CLASS(ComCorvantixTandrelPreferenceController);

Boolean ComCorvantixTandrelPreferenceController::sAxapiWasEnabled = 0xFF;

ComCorvantixTandrelPreferenceController::~ComCorvantixTandrelPreferenceController() {
  NSDistributedNotificationCenter::defaultCenter()->removeObserver(this);
  if (assistiveDevicesCheckTimer != nullptr) assistiveDevicesCheckTimer->invalidate();
  if (pingTimer != nullptr) pingTimer->invalidate();
  // The domain is written already; the daemon takes it at its next launch or notification.
  cancelPreviousPerformRequestsWithTarget(this);
}

NSPreferencePane* ComCorvantixTandrelPreferenceController::initWithBundle(NSBundle* paneBundle) {
  if (NSPreferencePane::initWithBundle(paneBundle) == nullptr) return nullptr;
  bundle = paneBundle;
  return this;
}

NSString ComCorvantixTandrelPreferenceController::runningVersion() const {
  NSBundle* own = NSBundle::bundleForClass(typeid(ComCorvantixTandrelPreferenceController));
  const PropertyList* version =
      own ? own->objectForInfoDictionaryKey("CFBundleShortVersionString") : nullptr;
  // Without a version the stamp is the empty string, so that it still matches at the next
  // showing and the first-run launch happens once.
  return version && version->string() ? *version->string() : NSString();
}

NSString ComCorvantixTandrelPreferenceController::localizedString(const NSString& key) const {
  return bundle ? bundle->localizedStringForKey(key, "", "Localizable") : NSString();
}

NSString ComCorvantixTandrelPreferenceController::daemonPath() const {
  return NSStringByAppendingPathComponent(bundle ? bundle->resourcePath() : NSString(),
                                          kTandrelDaemonBundleName);
}

// --- persistence

void ComCorvantixTandrelPreferenceController::reloadPrefs() {
  std::optional<NSDictionary> prefs =
      NSUserDefaults::standardUserDefaults()->persistentDomainForName(kTandrelDomain);
  const PropertyList* stamp = prefs ? prefs->objectForKey(kTandrelFirstRunKey) : nullptr;
  firstRun = stamp == nullptr;
  updateFirstRun = !firstRun && !(stamp->string() && *stamp->string() == runningVersion());

  const PropertyList* stored = prefs ? prefs->objectForKey(kTandrelPopupDelayKey) : nullptr;
  float delay = stored ? FloatValue(*stored) : TNDRDefaultPopupDelay();
  if (delay == 0.0f) delay = TNDRDefaultPopupDelay();
  clickAndHoldTimeSlider->setFloatValue(delay);
  clickAndHoldTimeText->setFloatValue(delay);
}

void ComCorvantixTandrelPreferenceController::synchronizePrefs() {
  cancelPreviousPerformRequestsWithTarget(
      this, &ComCorvantixTandrelPreferenceController::notifyDaemonOfUpdatedPreferences, nullptr);

  NSDictionary prefs;
  prefs.setObject(runningVersion(), kTandrelFirstRunKey);
  prefs.setObject(NSNumber::numberWithFloat(clickAndHoldTimeSlider->floatValue()),
                  kTandrelPopupDelayKey);
  NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
  defaults->addSuiteNamed(kTandrelDomain);
  defaults->setPersistentDomain(prefs, kTandrelDomain);
  defaults->synchronize();

  // The daemon hears of it once the saves have come to rest.
  performSelector(&ComCorvantixTandrelPreferenceController::notifyDaemonOfUpdatedPreferences,
                  nullptr, 0.5);
}

void ComCorvantixTandrelPreferenceController::notifyDaemonOfUpdatedPreferences() {
  NSDistributedNotificationCenter::defaultCenter()->postNotificationName(
      kTandrelUpdatePreferencesNotification, nullptr);
}

// --- supervision

void ComCorvantixTandrelPreferenceController::pingDaemon() {
  switchOnOff->setEnabled(false);
  switchOnProgress->startAnimation(this);
  NSDistributedNotificationCenter::defaultCenter()->postNotificationName(kTandrelPingNotification,
                                                                         nullptr);
  // Only the newest ping may time out: an older time-out firing after this ping's Pong would
  // show a running daemon as stopped.
  if (pingTimer != nullptr) pingTimer->invalidate();
  pingTimer = NSTimer::scheduledTimerWithTimeInterval(
      3.0, this, &ComCorvantixTandrelPreferenceController::pingTimedOut, nullptr, false);
}

void ComCorvantixTandrelPreferenceController::daemonAnswered(NSNotification* notification) {
  (void)notification;
  switchOnProgress->stopAnimation(this);
  switchOnOff->setEnabled(true);
  switchOnOff->selectCellWithTag(kOnCellTag);
  setDaemonIsRunning(true);
  if (pingTimer != nullptr) {
    pingTimer->invalidate();
    pingTimer = nullptr;
  }
}

void ComCorvantixTandrelPreferenceController::pingTimedOut(NSTimer* timer) {
  (void)timer;
  switchOnProgress->stopAnimation(this);
  switchOnOff->setEnabled(true);
  switchOnOff->selectCellWithTag(kOffCellTag);
  setDaemonIsRunning(false);
  pingTimer = nullptr;  // a one-shot timer ends by firing
}

bool ComCorvantixTandrelPreferenceController::startDaemon() {
  NSURL daemonURL = NSURL::fileURLWithPath(daemonPath());
  if (!daemonIsRunning()) {
    switchOnOff->setEnabled(false);
    switchOnProgress->startAnimation(this);
    LSLaunchURLSpec launchSpec{&daemonURL, nullptr, nullptr,
                               kLSLaunchDontAddToRecents | kLSLaunchDontSwitch, nullptr};
    OSStatus status = LSOpenFromURLSpec(&launchSpec, nullptr);
    switchOnProgress->stopAnimation(this);
    switchOnOff->setEnabled(true);
    if (status != noErr) {
      switchOnOff->selectCellWithTag(kOffCellTag);
      NSString title = localizedString("DaemonLaunchErrorSheet.Title");
      NSString button = localizedString("DaemonLaunchErrorSheet.DefaultButton");
      NSString message = localizedString("DaemonLaunchErrorSheet.Message");
      NSBeginAlertSheet(title, button, std::nullopt, std::nullopt,
                        mainView() ? mainView()->window() : nullptr, this, nullptr, nullptr,
                        nullptr, message);
      return false;
    }
    // The launch settles what a ping sent before it asked: that ping cannot have reached the new
    // daemon, and its time-out must not show it as stopped.
    if (pingTimer != nullptr) {
      pingTimer->invalidate();
      pingTimer = nullptr;
    }
  }
  setDaemonIsRunning(true);
  toggleDaemonAtLogin();
  synchronizePrefs();
  switchOnOff->selectCellWithTag(kOnCellTag);
  return true;
}

bool ComCorvantixTandrelPreferenceController::stopDaemon() {
  NSDistributedNotificationCenter::defaultCenter()->postNotificationName(
      kTandrelShutdownRequestNotification, nullptr);
  setDaemonIsRunning(false);
  switchOnOff->selectCellWithTag(kOffCellTag);
  toggleDaemonAtLogin();
  synchronizePrefs();
  return true;
}

// --- start at login

void ComCorvantixTandrelPreferenceController::toggleDaemonAtLogin() {
  NSUserDefaults defaults;
  NSString path = daemonPath();
  // loginwindow's domain has other writers: hold them off from the read to the write.
  NSUserDefaults::DomainLock lock = defaults.lockPersistentDomainForName(kLoginWindowDomain);
  NSDictionary domain =
      defaults.persistentDomainForName(kLoginWindowDomain).value_or(NSDictionary());
  const PropertyList* stored = domain.objectForKey(kAutoLaunchedApplicationsKey);
  const NSArray items = stored && stored->array() ? *stored->array() : NSArray();

  NSArray applications = items;
  for (const PropertyList& item : items) {
    const NSDictionary* entry = item.dictionary();
    const PropertyList* itemPath = entry ? entry->objectForKey("Path") : nullptr;
    if (itemPath == nullptr || itemPath->string() == nullptr) continue;
    if (NSStringByExpandingTildeInPath(*itemPath->string()) == path) {
      std::erase(applications, item);
    }
  }
  if (daemonIsRunning()) {
    NSDictionary daemon;
    daemon.setObject(NSNumber::numberWithBool(true), "Hide");
    daemon.setObject(path, "Path");
    applications.push_back(daemon);
  }
  domain.setObject(applications, kAutoLaunchedApplicationsKey);
  defaults.setPersistentDomain(domain, kLoginWindowDomain);
  defaults.synchronize();
}

// --- access for assistive devices

void ComCorvantixTandrelPreferenceController::updateAssistiveDevicesStatus(NSObject* sender) {
  (void)sender;
  assistiveDevicesWarningView->setHidden(AXAPIEnabled());
  if (!AXAPIEnabled()) {
    assistiveDevicesWarningIcon->setHidden(!assistiveDevicesWarningIcon->isHidden());
    switchOnOff->setEnabled(false);
    switchOnOff->selectCellWithTag(kOffCellTag);
    previewImage->setHidden(true);
  } else {
    assistiveDevicesWarningIcon->setHidden(true);
    switchOnOff->setEnabled(true);
    previewImage->setAnimates(true);
    previewImage->setHidden(false);
    if (!sAxapiWasEnabled) pingDaemon();
  }
  sAxapiWasEnabled = AXAPIEnabled();
}

void ComCorvantixTandrelPreferenceController::openAssistiveDevicesPrefPaneClicked(
    NSObject* sender) {
  (void)sender;
  NSWorkspace::sharedWorkspace()->openFile(kUniversalAccessPanePath);
}

// --- host hooks and control actions

void ComCorvantixTandrelPreferenceController::mainViewDidLoad() {
  NSDistributedNotificationCenter::defaultCenter()->addObserver(
      this, &ComCorvantixTandrelPreferenceController::daemonAnswered, kTandrelPongNotification,
      nullptr);
  assistiveDevicesCheckTimer = NSTimer::scheduledTimerWithTimeInterval(
      0.5, this, &ComCorvantixTandrelPreferenceController::updateAssistiveDevicesStatus, nullptr,
      true);
  aboutVersion->setStringValue(runningVersion());
}

void ComCorvantixTandrelPreferenceController::willSelect() {
  reloadPrefs();
  updateAssistiveDevicesStatus(nullptr);
  pingDaemon();
  // Stamps the running version, so that the takeover and the first start happen once.
  synchronizePrefs();

  if (updateFirstRun) {
    NSLog("Update installed, quitting old version's background application");
    stopDaemon();
    NSString title = localizedString("Update.Installed.Title");
    NSString message = localizedString("Update.Installed.Message");
    NSString button = localizedString("Update.Installed.DefaultButton");
    NSRunInformationalAlertPanel(title, message, button, std::nullopt, std::nullopt);
    // While the alert was up the old daemon may have answered the ping above before it quit;
    // that answer speaks for the daemon just stopped, not for the one to launch now.
    setDaemonIsRunning(false);
  }
  if (firstRun || updateFirstRun) {
    startDaemon();
    synchronizePrefs();
  }
}

void ComCorvantixTandrelPreferenceController::didUnselect() {
  synchronizePrefs();
}

void ComCorvantixTandrelPreferenceController::switchOnClicked(NSObject* sender) {
  (void)sender;
  startDaemon();
}

void ComCorvantixTandrelPreferenceController::switchOffClicked(NSObject* sender) {
  (void)sender;
  stopDaemon();
}

void ComCorvantixTandrelPreferenceController::clickAndHoldTimeSliderMoved(NSObject* sender) {
  clickAndHoldTimeText->setStringValue(clickAndHoldTimeSlider->stringValue());
  if (sender == nullptr) return;
  // Full pressure: the button is still down on the slider. Save once it is let go.
  auto* control = dynamic_cast<NSView*>(sender);
  NSWindow* window = control ? control->window() : nullptr;
  NSEvent* event = window ? window->currentEvent() : nullptr;
  if (event != nullptr && event->pressure() == 1.0f) return;
  synchronizePrefs();
}

void ComCorvantixTandrelPreferenceController::gotoCorvantixWebPage(NSObject* sender) {
  (void)sender;
  std::optional<NSURL> url = NSURL::URLWithString(localizedString("CorvantixDotComUrl"));
  if (url) NSWorkspace::sharedWorkspace()->openURL(*url);
}

void ComCorvantixTandrelPreferenceController::doNothingAction(NSObject* sender) {
  (void)sender;
}
