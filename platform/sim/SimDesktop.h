// A deterministic desktop in one thread: a virtual clock, simulated processes with their own run
// loops, a mouse monitor fed by the test, a recorder of posted events, a scripted accessibility
// service, a session notification bus and a defaults store. Exactly one Desktop exists at a time;
// the seam's functions act on it and on its current process.
#pragma once

#include <AppKit/NSPanel.h>
#include <ApplicationServices/Accessibility.h>
#include <Carbon/CarbonEvents.h>
#include <CoreFoundation/CFRunLoop.h>
#include <Foundation/NSBundle.h>
#include <Foundation/NSUserDefaults.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class Process;

// One line of the desktop's timeline, as the replay tool prints it.
struct TraceEntry {
  CFAbsoluteTime time;
  std::string process;
  std::string text;
};

// A mouse event as the monitor delivers it. Absent parameters are not in the event at all.
struct MouseEvent {
  EventKind kind = kEventMouseDown;
  std::optional<EventMouseButton> button;
  std::optional<UInt32> clickCount;
  std::optional<UInt32> modifiers;
  std::optional<HIPoint> location;
  bool posted = false;  // came from CGPostMouseEvent
};

// What the monitor saw of one delivered event.
struct MonitorRecord {
  CFAbsoluteTime time;
  MouseEvent event;
  bool examined = false;  // the handler asked for its kind
  int passedOn = 0;       // CallNextEventHandler calls
  OSStatus returned = 0;  // what the handler returned
};

struct PostedCall {
  CFAbsoluteTime time;
  HIPoint point;
  bool updateCursor;
  UInt32 buttonCount;
  std::vector<bool> down;  // one state per button, primary first
};

struct Rect {
  float x, y, width, height;
  bool contains(HIPoint p) const {
    return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
  }
};

// An element of the scripted accessibility tree. A role of nullopt answers with a value that is
// not a string.
struct Element {
  std::string name;
  Rect frame;
  std::optional<std::string> role;
  AXError roleError = kAXErrorSuccess;
};

// An alert as the user saw it: a modal panel or a sheet on a window.
struct Alert {
  enum class Kind { Panel, Sheet } kind = Kind::Panel;
  std::string process;
  std::string title;
  std::string message;
  std::vector<std::string> buttons;  // default, alternate, other, those that are shown
  std::string window;                // the identifier of the sheet's window's content view
};

// One call of the launch service and what came of it.
struct LaunchRequest {
  std::string path;
  UInt32 flags = 0;
  bool hadItems = false;
  OSStatus status = 0;
  bool started = false;  // a new process; false when it failed or ran already
};

// A program that a launch can start: its bundle and what a fresh process image of it looks like.
struct Program {
  NSBundle bundle;
  std::function<void()> resetProcessImage;  // zeroes the program's statics before it starts
};

class Desktop {
 public:
  struct Options {
    // Keep released objects as zombies, so that an extra release is reported, not undefined.
    bool keepZombies = true;
  };

  Desktop();
  explicit Desktop(Options options);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  static Desktop& current();

  // --- time
  CFAbsoluteTime now() const { return now_; }
  // Runs everything due up to `time`, in order, then sets the clock to `time`.
  void runUntil(CFAbsoluteTime time);
  void runFor(CFTimeInterval seconds) { runUntil(now_ + seconds); }
  // Runs until nothing is left to do, however far ahead; stops after `limit` seconds.
  void runUntilIdle(CFTimeInterval limit = 3600.0);
  // The fire dates of the timers scheduled now, soonest first.
  std::vector<CFAbsoluteTime> scheduledFireDates() const;
  struct ArmedTimer {
    CFAbsoluteTime armedAt;
    CFAbsoluteTime fireDate;
    std::string callback;
  };
  // Every timer ever scheduled, in order.
  const std::vector<ArmedTimer>& armedTimers() const { return armedTimers_; }
  void recordArmedTimer(ArmedTimer timer) { armedTimers_.push_back(std::move(timer)); }

  // --- processes
  // The process the test itself runs as; it exists from the start.
  Process& testProcess() { return *processes_.front(); }
  Process& currentProcess() { return *current_; }
  // A new process, not yet running any program.
  Process& spawn(const std::string& name);
  // Starts a registered program as a new process: a fresh image, then NSApplicationMain.
  Process* launch(const std::string& bundlePath);
  void registerProgram(const std::string& bundlePath, Program program);
  // The running process of a program, or null.
  Process* runningProgram(const std::string& bundlePath);
  const std::vector<std::unique_ptr<Process>>& processes() const { return processes_; }

  // --- the user's mouse
  // A press; the click count is worked out from the double-click interval unless given.
  void press(HIPoint point, EventMouseButton button = kEventMouseButtonPrimary,
             std::optional<UInt32> clickCount = std::nullopt, UInt32 modifiers = 0);
  void drag(HIPoint point);
  void release(HIPoint point, EventMouseButton button = kEventMouseButtonPrimary);
  // Any event, as given, delivered now to the monitor.
  void inject(const MouseEvent& event);
  // What the next handler in the chain returns when an event is passed on.
  OSStatus nextHandlerStatus = eventNotHandledErr;
  // The status InstallEventHandler returns; a non-zero one installs nothing.
  OSStatus installStatus = noErr;
  const std::vector<MonitorRecord>& monitorRecords() const { return monitorRecords_; }
  bool isButtonDown(EventMouseButton button) const;
  HIPoint pointerLocation() const { return pointer_; }
  int installedHandlerCount() const;

  // --- posting
  const std::vector<PostedCall>& postedCalls() const { return postedCalls_; }

  // --- accessibility
  bool accessibilityEnabled = true;
  AXError elementQueryError = kAXErrorSuccess;  // a non-zero value fails every element query
  void addElement(Element element) { elements_.push_back(std::move(element)); }
  void clearElements() { elements_.clear(); }
  int elementQueries() const { return elementQueries_; }
  int systemWideElementsMade() const { return systemWideElementsMade_; }

  // --- settings and services
  UInt32 doubleClickTicks = 30;
  NSUserDefaultsStore& defaultsStore();
  const std::vector<std::string>& logLines() const { return logLines_; }
  // Notification names in the order they were posted, by any process.
  const std::vector<std::string>& postedNotifications() const { return postedNotifications_; }

  // --- windows, controls, alerts, the shell and launches
  // The pointer moves without a button: no event reaches the monitor.
  void movePointer(HIPoint point) { pointer_ = point; }
  // The event the applications handle now, with its pressure; none by default.
  void setCurrentEvent(std::optional<float> pressure);
  NSEvent* currentEvent() const { return currentEvent_.get(); }
  // Every state change of a view, in order, as "identifier: change".
  const std::vector<std::string>& viewChanges() const { return viewChanges_; }
  void recordViewChange(const std::string& change);

  const std::vector<Alert>& alerts() const { return alerts_; }
  // The user's answer to a modal alert panel, called while it is shown (the run loop of its
  // process in the modal panel mode); it may run the desktop meanwhile. Without it the user
  // dismisses the panel with its default button once what is due now has run.
  std::function<NSInteger(const Alert&)> answerAlert;
  void recordAlert(Alert alert) { alerts_.push_back(std::move(alert)); }
  // Ends the sheet with that index in alerts() as if the user had chosen the button.
  void dismissSheet(std::size_t alert, NSInteger returnCode);
  void recordSheetCallbacks(std::size_t alert, NSWindow* window, NSSheetCallback didEnd,
                            NSSheetCallback didDismiss, void* context);

  // What the shell was asked to open, in order: "URL <address>" or "file <path>".
  const std::vector<std::string>& workspaceOpens() const { return workspaceOpens_; }
  void recordWorkspaceOpen(const std::string& what) { workspaceOpens_.push_back(what); }
  bool workspaceOpenSucceeds = true;

  // When set, every launch fails with this status; otherwise a launch starts the program
  // registered at the bundle's path, or finds it running, or fails as not found.
  std::optional<OSStatus> launchStatus;
  const std::vector<LaunchRequest>& launchRequests() const { return launchRequests_; }
  void recordLaunch(LaunchRequest request) { launchRequests_.push_back(std::move(request)); }

  // Users and their home folders; the first is the logged-in user.
  std::vector<std::pair<std::string, std::string>> users = {{"tester", "/Users/tester"}};

  // Another process changes the domain right after the next read of it, as a writer that
  // comes between a read and the write that follows would. While the domain is locked it
  // waits for the unlock instead.
  void interposeDomainEdit(const std::string& domain,
                           std::function<void(std::optional<NSDictionary>&)> edit);

  // --- references
  // Objects made by Create or Copy calls that are still referenced, of one process or all.
  int liveObjectCount(const Process* owner = nullptr) const;
  // Releases of objects already gone; each is a fault of the releasing code.
  const std::vector<std::string>& releaseFaults() const { return releaseFaults_; }
  std::vector<std::string> liveObjectDescriptions(const Process* owner = nullptr) const;

  // --- timeline
  std::function<void(const TraceEntry&)> onTrace;
  // A readable name for a callback or handler, used in the timeline.
  void nameFunction(const void* function, std::string name) {
    functionNames_[function] = std::move(name);
  }

  // For the backend's own files.
  struct Internals;
  Internals& internals() { return *internals_; }
  bool tracing() const { return bool(onTrace); }
  void trace(const std::string& text);
  void trace(const std::string& source, const std::string& text);
  std::string functionName(const void* function) const;
  void setCurrentProcess(Process* process) { current_ = process; }
  void recordLog(const std::string& line);
  void recordPost(PostedCall call) { postedCalls_.push_back(std::move(call)); }
  void recordNotification(const std::string& name) { postedNotifications_.push_back(name); }
  std::vector<MonitorRecord>& mutableMonitorRecords() { return monitorRecords_; }
  void setPointer(HIPoint point) { pointer_ = point; }
  void setButtonDown(EventMouseButton button, bool down);
  const std::vector<Element>& elements() const { return elements_; }
  void countElementQuery() { ++elementQueries_; }
  void countSystemWideElement() { ++systemWideElementsMade_; }
  void addReleaseFault(std::string fault) { releaseFaults_.push_back(std::move(fault)); }
  const Options& options() const { return options_; }
  UInt32 clickCountFor(EventMouseButton button, HIPoint point);
  void setNow(CFAbsoluteTime time) { now_ = time; }

 private:
  Options options_;
  std::unique_ptr<Internals> internals_;
  CFAbsoluteTime now_ = 1000.0;
  std::vector<std::unique_ptr<Process>> processes_;
  Process* current_ = nullptr;
  std::map<std::string, Program> programs_;
  std::vector<MonitorRecord> monitorRecords_;
  std::vector<PostedCall> postedCalls_;
  std::vector<ArmedTimer> armedTimers_;
  std::vector<Element> elements_;
  std::vector<std::string> logLines_;
  std::vector<std::string> postedNotifications_;
  std::vector<std::string> releaseFaults_;
  std::map<const void*, std::string> functionNames_;
  UInt32 buttons_ = 0;
  HIPoint pointer_ = {0, 0};
  int elementQueries_ = 0;
  int systemWideElementsMade_ = 0;
  std::unique_ptr<NSEvent> currentEvent_;
  std::vector<std::string> viewChanges_;
  std::vector<Alert> alerts_;
  struct SheetCallbacks {
    NSWindow* window;
    NSSheetCallback didEnd;
    NSSheetCallback didDismiss;
    void* context;
  };
  std::map<std::size_t, SheetCallbacks> sheets_;
  std::vector<std::string> workspaceOpens_;
  std::vector<LaunchRequest> launchRequests_;
  struct LastPress {
    EventMouseButton button = 0;
    CFAbsoluteTime time = -1e9;
    HIPoint point = {0, 0};
    UInt32 count = 0;
  } lastPress_;
};

// A simulated process: its run loop and mode, its notification centres, its defaults object,
// its application and bundle. The seam's per-process calls act on the desktop's current process.
class Process {
 public:
  Process(Desktop& desktop, std::string name);
  ~Process();

  const std::string& name() const { return name_; }
  bool isRunning() const { return running_; }
  // The mode the process's run loop is in; the default mode unless a test says otherwise.
  void setRunLoopMode(CFRunLoopMode mode);
  CFRunLoopMode runLoopMode() const { return mode_; }
  // Ends the process: its application's delegate goes, its timers and subscriptions with it.
  void exit();

  NSBundle* bundle() const { return bundle_.get(); }
  void setBundle(std::unique_ptr<NSBundle> bundle) { bundle_ = std::move(bundle); }

  struct State;
  State& state() { return *state_; }

 private:
  Desktop& desktop_;
  std::string name_;
  bool running_ = true;
  CFRunLoopMode mode_;
  std::unique_ptr<NSBundle> bundle_;
  std::unique_ptr<State> state_;
};

// Makes `process` the current one for the life of the scope.
class ProcessScope {
 public:
  explicit ProcessScope(Process& process)
      : desktop_(Desktop::current()), previous_(&desktop_.currentProcess()) {
    desktop_.setCurrentProcess(&process);
  }
  ~ProcessScope() { desktop_.setCurrentProcess(previous_); }
  ProcessScope(const ProcessScope&) = delete;
  ProcessScope& operator=(const ProcessScope&) = delete;

 private:
  Desktop& desktop_;
  Process* previous_;
};

}  // namespace sim
