// The interface side of the simulated desktop: views report their state to its records, the
// pointer and the current event are the test's, alerts are recorded and modal ones answered by
// the test, the shell's opens are recorded, and a launch starts a registered program.
#include "SimObjects.h"

#include <AppKit/NSWorkspace.h>
#include <ApplicationServices/LaunchServices.h>
#include <Foundation/NSURL.h>

namespace sim {

void Desktop::setCurrentEvent(std::optional<float> pressure) {
  currentEvent_ = pressure ? std::make_unique<NSEvent>(*pressure) : nullptr;
}

void Desktop::recordViewChange(const std::string& change) {
  viewChanges_.push_back(change);
  trace("view " + change);
}

void Desktop::recordSheetCallbacks(std::size_t alert, NSWindow* window, NSSheetCallback didEnd,
                                   NSSheetCallback didDismiss, void* context) {
  sheets_[alert] = {window, std::move(didEnd), std::move(didDismiss), context};
}

void Desktop::dismissSheet(std::size_t alert, NSInteger returnCode) {
  auto found = sheets_.find(alert);
  if (found == sheets_.end()) return;
  SheetCallbacks sheet = std::move(found->second);
  sheets_.erase(found);
  trace("sheet dismissed: " + alerts_[alert].title);
  if (sheet.didEnd) sheet.didEnd(sheet.window, returnCode, sheet.context);
  if (sheet.didDismiss) sheet.didDismiss(sheet.window, returnCode, sheet.context);
}

namespace {

class SimWorkspace : public NSWorkspace {
 public:
  bool openURL(const NSURL& url) override { return open("URL " + url.absoluteString()); }
  bool openFile(const NSString& path) override { return open("file " + path); }

 private:
  static bool open(const std::string& what) {
    Desktop& desktop = Desktop::current();
    desktop.recordWorkspaceOpen(what);
    desktop.trace("workspace open: " + what);
    return desktop.workspaceOpenSucceeds;
  }
};

std::vector<std::string> Buttons(const std::optional<NSString>& first,
                                 const std::optional<NSString>& second,
                                 const std::optional<NSString>& third) {
  std::vector<std::string> buttons;
  for (const auto* button : {&first, &second, &third}) {
    if (*button) buttons.push_back(**button);
  }
  return buttons;
}

}  // namespace
}  // namespace sim

void NSViewStateDidChange(const NSView& view, std::string_view change) {
  std::string name = view.identifier().empty() ? "view" : view.identifier();
  sim::Desktop::current().recordViewChange(name + ": " + std::string(change));
}

NSPoint NSEvent::mouseLocation() {
  return sim::Desktop::current().pointerLocation();
}

NSEvent* NSWindow::currentEvent() const {
  return sim::Desktop::current().currentEvent();
}

NSWorkspace* NSWorkspace::sharedWorkspace() {
  static sim::SimWorkspace workspace;
  return &workspace;
}

NSInteger NSRunInformationalAlertPanel(const NSString& title, const NSString& message,
                                       std::optional<NSString> defaultButton,
                                       std::optional<NSString> alternateButton,
                                       std::optional<NSString> otherButton) {
  sim::Desktop& desktop = sim::Desktop::current();
  sim::Process& process = desktop.currentProcess();
  sim::Alert alert{sim::Alert::Kind::Panel,
                   process.name(),
                   title,
                   message,
                   sim::Buttons(defaultButton, alternateButton, otherButton),
                   ""};
  desktop.recordAlert(alert);
  desktop.trace("alert shown: " + title);
  CFRunLoopMode previous = process.runLoopMode();
  process.setRunLoopMode(NSModalPanelRunLoopMode);
  NSInteger answer = NSAlertDefaultReturn;
  if (desktop.answerAlert) {
    answer = desktop.answerAlert(alert);
  } else {
    desktop.runUntil(desktop.now());
  }
  process.setRunLoopMode(previous);
  desktop.trace("alert dismissed: " + title);
  return answer;
}

void NSBeginAlertSheet(const NSString& title, std::optional<NSString> defaultButton,
                       std::optional<NSString> alternateButton, std::optional<NSString> otherButton,
                       NSWindow* docWindow, NSObject*, NSSheetCallback didEndSelector,
                       NSSheetCallback didDismissSelector, void* contextInfo,
                       const NSString& message) {
  sim::Desktop& desktop = sim::Desktop::current();
  std::string window = "no window";
  if (docWindow != nullptr) {
    NSView* content = docWindow->contentView();
    window = content && !content->identifier().empty() ? content->identifier() : "a window";
  }
  desktop.recordAlert({sim::Alert::Kind::Sheet, desktop.currentProcess().name(), title, message,
                       sim::Buttons(defaultButton, alternateButton, otherButton), window});
  desktop.recordSheetCallbacks(desktop.alerts().size() - 1, docWindow, std::move(didEndSelector),
                               std::move(didDismissSelector), contextInfo);
  desktop.trace("sheet shown: " + title);
}

OSStatus LSOpenFromURLSpec(const LSLaunchURLSpec* launchSpec, CFURLRef* outLaunchedURL) {
  if (launchSpec == nullptr || launchSpec->appURL == nullptr || outLaunchedURL != nullptr)
    return paramErr;
  sim::Desktop& desktop = sim::Desktop::current();
  sim::LaunchRequest request{launchSpec->appURL->path(), launchSpec->launchFlags,
                             launchSpec->itemURLs != nullptr, noErr, false};
  desktop.trace("launch requested: " + request.path);
  if (desktop.launchStatus) {
    request.status = *desktop.launchStatus;
  } else if (desktop.runningProgram(request.path) == nullptr) {
    sim::Process* process = desktop.launch(request.path);
    request.started = process != nullptr;
    request.status = process != nullptr ? noErr : kLSApplicationNotFoundErr;
  }
  desktop.trace("launch " + std::string(request.status == noErr ? "done" : "failed") + ": " +
                request.path);
  desktop.recordLaunch(request);
  return request.status;
}

NSString NSHomeDirectory() {
  const auto& users = sim::Desktop::current().users;
  return users.empty() ? NSString() : users.front().second;
}

NSString NSHomeDirectoryForUser(const NSString& userName) {
  for (const auto& [name, home] : sim::Desktop::current().users) {
    if (name == userName) return home;
  }
  return NSString();
}

NSUserDefaultsStore& NSUserDefaultsStore::userStore() {
  return sim::Desktop::current().defaultsStore();
}
