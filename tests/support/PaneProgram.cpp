#include "PaneProgram.h"

#include "DaemonProgram.h"

#include <Foundation/NSString.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace tandrel_test {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

const char* Shown(const NSView& view) {
  return view.isHidden() ? "hidden" : "shown";
}

}  // namespace

NSDictionary PaneInfoDictionary(std::optional<std::string> shortVersion) {
  NSDictionary info;
  info.setObject("com.corvantix.tandrel.prefpane", "CFBundleIdentifier");
  info.setObject("ComCorvantixTandrelPreferenceController", "NSPrincipalClass");
  if (shortVersion) info.setObject(*shortVersion, "CFBundleShortVersionString");
  return info;
}

PaneHost::PaneHost(sim::Desktop& desktop) : desktop_(desktop) {
  bundle_ = NSBundle::bundleWithPath(kPaneBundlePath);
  if (!bundle_) throw std::runtime_error("no pane bundle at " + kPaneBundlePath);
  load();
}

PaneHost::PaneHost(sim::Desktop& desktop, std::unique_ptr<NSBundle> bundle)
    : desktop_(desktop), bundle_(std::move(bundle)) {
  load();
}

PaneHost::~PaneHost() {
  unload();
}

std::string PaneHost::daemonBundlePath() const {
  return NSStringByAppendingPathComponent(bundle_->resourcePath(), "Tandrel.app");
}

void PaneHost::load() {
  process_ = &desktop_.spawn("System Preferences");
  sim::ProcessScope scope(*process_);
  // A fresh process image of the host: the pane's process-wide flag as the loader sets it.
  ComCorvantixTandrelPreferenceController::sAxapiWasEnabled = 0xFF;
  RegisterDaemonProgram(desktop_, daemonBundlePath());

  const PropertyList* principal = bundle_->objectForInfoDictionaryKey("NSPrincipalClass");
  std::unique_ptr<NSObject> object = NSCreateInstanceOfClassNamed(
      principal && principal->string() ? *principal->string()
                                       : "ComCorvantixTandrelPreferenceController");
  auto* pane = dynamic_cast<ComCorvantixTandrelPreferenceController*>(object.get());
  if (pane == nullptr) throw std::runtime_error("the pane's principal class is not the pane");
  object.release();
  pane_.reset(pane);
  NSBundle::addLoadedClass(typeid(*pane_), bundle_.get());
  if (pane_->initWithBundle(bundle_.get()) == nullptr) {
    throw std::runtime_error("the pane did not initialise");
  }
  layOut();
  eye_->awakeFromNib();
  pane_->setMainView(mainView_.get());
  pane_->mainViewDidLoad();
}

// What the pane's interface file holds: the controls, their outlets and their actions.
void PaneHost::layOut() {
  auto name = [](NSView& view, const char* identifier) { view.setIdentifier(identifier); };
  window_ = std::make_unique<NSWindow>(NSMakeRect(200, 200, 668, 420));
  mainView_ = std::make_unique<NSView>(NSMakeRect(0, 0, 668, 420));
  name(*mainView_, "mainView");
  window_->setContentView(mainView_.get());

  switchOnOff_ = std::make_unique<NSMatrix>(NSMakeRect(40, 340, 120, 40));
  name(*switchOnOff_, "switchOnOff");
  NSButtonCell* on = switchOnOff_->addCell(0, "On");
  NSButtonCell* off = switchOnOff_->addCell(1, "Off");
  on->setTarget(pane_.get(), &ComCorvantixTandrelPreferenceController::switchOnClicked);
  off->setTarget(pane_.get(), &ComCorvantixTandrelPreferenceController::switchOffClicked);
  switchOnOff_->selectCellWithTag(1);
  spinner_ = std::make_unique<NSProgressIndicator>(NSMakeRect(170, 350, 16, 16));
  name(*spinner_, "switchOnProgress");

  previewView_ = std::make_unique<NSView>(NSMakeRect(400, 200, 240, 180));
  name(*previewView_, "previewView");
  previewImage_ = std::make_unique<NSImageView>(NSMakeRect(0, 0, 240, 180));
  name(*previewImage_, "previewImage");
  previewView_->addSubview(previewImage_.get());

  slider_ = std::make_unique<NSSlider>(NSMakeRect(40, 260, 240, 24));
  name(*slider_, "clickAndHoldTimeSlider");
  slider_->setMinValue(0.1);
  slider_->setMaxValue(3.0);
  slider_->setTarget(pane_.get(),
                     &ComCorvantixTandrelPreferenceController::clickAndHoldTimeSliderMoved);
  delayText_ = std::make_unique<NSTextField>(NSMakeRect(290, 260, 60, 24));
  name(*delayText_, "clickAndHoldTimeText");

  warningView_ = std::make_unique<NSView>(NSMakeRect(40, 120, 320, 80));
  name(*warningView_, "assistiveDevicesWarningView");
  warningIcon_ = std::make_unique<NSView>(NSMakeRect(0, 40, 32, 32));
  name(*warningIcon_, "assistiveDevicesWarningIcon");
  warningView_->addSubview(warningIcon_.get());
  universalAccessButton_ = std::make_unique<NSControl>(NSMakeRect(40, 0, 200, 24));
  name(*universalAccessButton_, "openUniversalAccess");
  universalAccessButton_->setTarget(
      pane_.get(), &ComCorvantixTandrelPreferenceController::openAssistiveDevicesPrefPaneClicked);
  warningView_->addSubview(universalAccessButton_.get());

  aboutVersion_ = std::make_unique<NSTextField>(NSMakeRect(40, 20, 120, 20));
  name(*aboutVersion_, "aboutVersion");
  webLink_ = std::make_unique<NSControl>(NSMakeRect(200, 20, 200, 20));
  name(*webLink_, "corvantixWebLink");
  webLink_->setTarget(pane_.get(), &ComCorvantixTandrelPreferenceController::gotoCorvantixWebPage);

  // The eye: a 64-point box with a 24-point eye in it.
  eyeBox_ = std::make_unique<NSView>(NSMakeRect(40, 40, 64, 64));
  name(*eyeBox_, "boundaryBox");
  eyeImage_ = std::make_unique<NSImageView>(NSMakeRect(20, 20, 24, 24));
  name(*eyeImage_, "eyeImage");
  eyeBox_->addSubview(eyeImage_.get());

  for (NSView* view : {static_cast<NSView*>(switchOnOff_.get()),
                       static_cast<NSView*>(spinner_.get()), previewView_.get(),
                       static_cast<NSView*>(slider_.get()), static_cast<NSView*>(delayText_.get()),
                       warningView_.get(), static_cast<NSView*>(aboutVersion_.get()),
                       static_cast<NSView*>(webLink_.get()), eyeBox_.get()}) {
    mainView_->addSubview(view);
  }

  ComCorvantixTandrelPreferenceController& pane = *pane_;
  pane.switchOnProgress = spinner_.get();
  pane.switchOnOff = switchOnOff_.get();
  pane.switchOnRadio = on;
  pane.switchOffRadio = off;
  pane.previewView = previewView_.get();
  pane.previewImage = previewImage_.get();
  pane.clickAndHoldTimeSlider = slider_.get();
  pane.clickAndHoldTimeText = delayText_.get();
  pane.assistiveDevicesWarningView = warningView_.get();
  pane.assistiveDevicesWarningIcon = warningIcon_.get();
  pane.aboutVersion = aboutVersion_.get();

  eye_ = std::make_unique<ComCorvantixTandrelEyeController>();
  eye_->boundaryBox = eyeBox_.get();
  eye_->eyeImage = eyeImage_.get();
}

void PaneHost::show() {
  sim::ProcessScope scope(*process_);
  pane_->willSelect();
}

void PaneHost::leave() {
  sim::ProcessScope scope(*process_);
  pane_->didUnselect();
}

void PaneHost::unload() {
  if (!pane_ && !eye_) return;
  sim::ProcessScope scope(*process_);
  pane_.reset();
  eye_.reset();
}

void PaneHost::quit() {
  unload();
  sim::ProcessScope scope(*process_);
  process_->exit();
}

void PaneHost::clickOn() {
  sim::ProcessScope scope(*process_);
  switchOnOff_->cellWithTag(0)->performClick();
}

void PaneHost::clickOff() {
  sim::ProcessScope scope(*process_);
  switchOnOff_->cellWithTag(1)->performClick();
}

void PaneHost::moveSlider(float seconds) {
  sim::ProcessScope scope(*process_);
  if (process_->runLoopMode() != NSEventTrackingRunLoopMode) {
    process_->setRunLoopMode(NSEventTrackingRunLoopMode);
  }
  desktop_.setCurrentEvent(1.0f);
  slider_->setFloatValue(seconds);
  slider_->sendAction();
}

void PaneHost::releaseSlider() {
  sim::ProcessScope scope(*process_);
  desktop_.setCurrentEvent(0.0f);
  slider_->sendAction();
  desktop_.setCurrentEvent(std::nullopt);
  process_->setRunLoopMode(kCFRunLoopDefaultMode);
}

void PaneHost::clickWebLink() {
  sim::ProcessScope scope(*process_);
  webLink_->sendAction();
}

void PaneHost::clickOpenUniversalAccess() {
  sim::ProcessScope scope(*process_);
  universalAccessButton_->sendAction();
}

void PaneHost::setAccessibility(bool enabled) {
  desktop_.accessibilityEnabled = enabled;
}

std::string PaneHost::stateText() const {
  std::ostringstream out;
  NSInteger tag = switchOnOff_->selectedTag();
  out << "switch: "
      << (tag == 0   ? "on"
          : tag == 1 ? "off"
                     : "none")
      << ", " << (switchOnOff_->isEnabled() ? "enabled" : "disabled") << "\n";
  out << "spinner: " << (spinner_->isAnimating() ? "spinning" : "stopped") << "\n";
  out << "delay: " << Number(slider_->doubleValue()) << " s, text \"" << delayText_->stringValue()
      << "\"\n";
  out << "warning: " << Shown(*warningView_) << ", icon " << Shown(*warningIcon_) << "\n";
  out << "preview: " << Shown(*previewImage_) << ", "
      << (previewImage_->animates() ? "animating" : "still") << "\n";
  out << "version: " << aboutVersion_->stringValue() << "\n";
  if (pane_)
    out << "daemon believed running: " << (pane_->daemonIsRunning() ? "yes" : "no") << "\n";
  NSPoint eye = eyeImage_->frame().origin;
  out << "eye: (" << Number(eye.x) << ", " << Number(eye.y) << ")\n";
  return out.str();
}

}  // namespace tandrel_test
