#include "atspi_hit_test.h"

#include <GLibPointers.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <atspi/atspi.h>

#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "role_table.h"

namespace tandrel::desktop {

namespace {

// Deeper than any real widget tree; stops a buggy application from looping us.
constexpr int kMaxDescent = 64;
// A WM frame holds the client one or two levels down.
constexpr int kMaxClientSearchDepth = 4;

struct XFreeDeleter {
  void operator()(void* p) const { XFree(p); }
};

// libatspi is process-wide and cannot be initialised again after atspi_exit (its caches
// are left half torn down), so it is set up once and stays up for the process.
void initAtspi(int timeoutMs) {
  static std::once_flag once;
  std::call_once(once, [] { atspi_init(); });
  atspi_set_timeout(timeoutMs, timeoutMs);
}

// Windows vanish between XQueryTree and the next request; such errors are expected.
// Xlib's handler is global, so it is swapped in only around our own requests.
Display* gQuietDisplay = nullptr;
XErrorHandler gPreviousHandler = nullptr;

int quietErrorHandler(Display* display, XErrorEvent* event) {
  if (display == gQuietDisplay) return 0;
  return gPreviousHandler ? gPreviousHandler(display, event) : 0;
}

class QuietXErrors {
 public:
  explicit QuietXErrors(Display* display) {
    gQuietDisplay = display;
    gPreviousHandler = XSetErrorHandler(quietErrorHandler);
  }
  ~QuietXErrors() {
    XSync(gQuietDisplay, False);
    XSetErrorHandler(gPreviousHandler);
    gQuietDisplay = nullptr;
  }
  QuietXErrors(const QuietXErrors&) = delete;
  QuietXErrors& operator=(const QuietXErrors&) = delete;
};

struct WindowAtPoint {
  Window topLevel = 0;  // child of the root: a WM frame or the client itself
  Window client = 0;    // the window carrying _NET_WM_PID
  pid_t pid = 0;
  int topLevelX = 0, topLevelY = 0;
  int clientX = 0, clientY = 0;  // client origin on the screen
  std::string title;
};

bool contains(const XWindowAttributes& a, int x, int y) {
  const int extra = 2 * a.border_width;
  return x >= a.x && y >= a.y && x < a.x + a.width + extra && y < a.y + a.height + extra;
}

// Topmost viewable, drawable child of `parent` containing (x, y) in parent coordinates.
std::optional<std::pair<Window, XWindowAttributes>> topChildAt(Display* display, Window parent,
                                                               int x, int y) {
  Window root = 0, parentOut = 0;
  Window* rawChildren = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &parentOut, &rawChildren, &count)) return std::nullopt;
  std::unique_ptr<Window, XFreeDeleter> children(rawChildren);
  // XQueryTree lists children bottom to top.
  for (unsigned i = count; i-- > 0;) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, children.get()[i], &attributes)) continue;
    if (attributes.map_state != IsViewable || attributes.c_class == InputOnly) continue;
    if (contains(attributes, x, y)) return std::make_pair(children.get()[i], attributes);
  }
  return std::nullopt;
}

std::optional<pid_t> windowPid(Display* display, Window window, Atom pidAtom) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &raw) != Success) {
    return std::nullopt;
  }
  std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
  if (type != XA_CARDINAL || format != 32 || count != 1 || !data) return std::nullopt;
  // Format-32 properties come back as longs.
  return static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data.get()));
}

std::string windowTitle(Display* display, Window window, Atom nameAtom, Atom utf8Atom) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, window, nameAtom, 0, 1024, False, utf8Atom, &type, &format,
                         &count, &after, &raw) != Success) {
    return {};
  }
  std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
  if (type != utf8Atom || format != 8 || !data) return {};
  return std::string(reinterpret_cast<const char*>(data.get()), count);
}

// Follows a top-level window down to the client that names its process.
std::optional<Window> findClient(Display* display, Window window, int x, int y, Atom pidAtom,
                                 int depth, pid_t* pid) {
  if (auto found = windowPid(display, window, pidAtom)) {
    *pid = *found;
    return window;
  }
  if (depth >= kMaxClientSearchDepth) return std::nullopt;
  auto child = topChildAt(display, window, x, y);
  if (!child) return std::nullopt;
  return findClient(display, child->first, x - child->second.x, y - child->second.y, pidAtom,
                    depth + 1, pid);
}

int classify(const GError* error) {
  if (!error || !error->message) return AtspiHitTest::kCallFailed;
  const char* m = error->message;
  if (std::strstr(m, "NoReply") || std::strstr(m, "Timeout") || std::strstr(m, "timed out") ||
      std::strstr(m, "not receive a reply")) {
    return AtspiHitTest::kTimedOut;
  }
  return AtspiHitTest::kCallFailed;
}

HitTestResult failure(int code, std::string message) {
  HitTestResult result;
  result.error = code;
  result.message = std::move(message);
  return result;
}

HitTestResult failure(GError* error, const char* what) {
  return failure(classify(error),
                 std::string(what) + ": " + (error && error->message ? error->message : "failed"));
}

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool contains(int px, int py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
};

// GTK 4 (4.8) answers get_accessible_at_point only for elements whose children were listed
// before, and reports a button's extents without its padding and border. So for GTK 4 we
// look among the children ourselves; a control whose extents, widened by the
// padding GTK's default theme gives buttons, hold the point wins over a plain container,
// so a hold on a button's edge is still a hold on the button.
constexpr int kControlSlopX = 18;
constexpr int kControlSlopY = 6;
constexpr gint kMaxChildrenScanned = 512;

struct ScanResult {
  AtspiAccessible* child = nullptr;  // a reference the caller adopts
  GError* error = nullptr;           // the caller frees it
};

ScanResult childAtPointByScan(AtspiAccessible* parent, int x, int y, AtspiCoordType coords) {
  ScanResult result;
  const gint count = atspi_accessible_get_child_count(parent, &result.error);
  if (result.error || count <= 0 || count > kMaxChildrenScanned) return result;
  AccessibleElement inside;
  AccessibleElement nearControl;
  for (gint i = 0; i < count; ++i) {
    AccessibleElement child(atspi_accessible_get_child_at_index(parent, i, &result.error));
    if (result.error) return result;
    if (!child) continue;
    // GTK 4's showing state is not to be trusted here (stale in the cache); a hidden
    // widget reports empty extents instead.
    std::unique_ptr<AtspiRect, GFreeDeleter> e(
        atspi_component_get_extents(ATSPI_COMPONENT(child.get()), coords, &result.error));
    if (result.error) return result;
    if (!e || e->width <= 0 || e->height <= 0) continue;
    if (x >= e->x && y >= e->y && x < e->x + e->width && y < e->y + e->height) {
      inside = std::move(child);  // later siblings are drawn over earlier ones
    } else if (!nearControl && x >= e->x - kControlSlopX && y >= e->y - kControlSlopY &&
               x < e->x + e->width + kControlSlopX && y < e->y + e->height + kControlSlopY &&
               isControlRole(atspi_accessible_get_role(child.get(), nullptr))) {
      nearControl = std::move(child);
    }
  }
  AccessibleElement& chosen = inside ? inside : nearControl;
  if (chosen) result.child = static_cast<AtspiAccessible*>(g_object_ref(chosen.get()));
  return result;
}

}  // namespace

AccessibleElement::AccessibleElement(const AccessibleElement& other) : object_(other.object_) {
  if (object_) g_object_ref(object_);
}

AccessibleElement& AccessibleElement::operator=(const AccessibleElement& other) {
  if (this != &other) {
    if (other.object_) g_object_ref(other.object_);
    reset();
    object_ = other.object_;
  }
  return *this;
}

AccessibleElement::AccessibleElement(AccessibleElement&& other) noexcept
    : object_(std::exchange(other.object_, nullptr)) {}

AccessibleElement& AccessibleElement::operator=(AccessibleElement&& other) noexcept {
  if (this != &other) {
    reset();
    object_ = std::exchange(other.object_, nullptr);
  }
  return *this;
}

AccessibleElement::~AccessibleElement() {
  reset();
}

void AccessibleElement::reset() {
  if (object_) g_object_unref(std::exchange(object_, nullptr));
}

struct AtspiHitTest::State {
  Display* display = nullptr;
  Atom pidAtom = None;
  Atom nameAtom = None;
  Atom utf8Atom = None;
  // Process ids of applications, asked of the bus once per application. Holding the
  // reference keeps the key from being reused by another application's object.
  std::unordered_map<AtspiAccessible*, std::pair<AccessibleElement, pid_t>> pids;
  // Whether an application answers in window coordinates (GTK 4), asked once per application.
  std::unordered_map<AtspiAccessible*, bool> windowRelative;

  std::optional<WindowAtPoint> windowAt(int x, int y);
  HitTestResult applicationFor(pid_t pid, AccessibleElement* application);
};

std::optional<WindowAtPoint> AtspiHitTest::State::windowAt(int x, int y) {
  QuietXErrors quiet(display);
  const Window root = DefaultRootWindow(display);
  auto top = topChildAt(display, root, x, y);
  if (!top) return std::nullopt;
  WindowAtPoint hit;
  hit.topLevel = top->first;
  hit.topLevelX = top->second.x;
  hit.topLevelY = top->second.y;
  auto client =
      findClient(display, top->first, x - top->second.x, y - top->second.y, pidAtom, 0, &hit.pid);
  if (!client) return hit;  // pid stays 0: a window nobody claims
  hit.client = *client;
  Window unused = 0;
  XTranslateCoordinates(display, hit.client, root, 0, 0, &hit.clientX, &hit.clientY, &unused);
  hit.title = windowTitle(display, hit.client, nameAtom, utf8Atom);
  return hit;
}

HitTestResult AtspiHitTest::State::applicationFor(pid_t pid, AccessibleElement* application) {
  AccessibleElement desktop(atspi_get_desktop(0));
  if (!desktop) return failure(kCallFailed, "no AT-SPI desktop");
  GError* raw = nullptr;
  const gint count = atspi_accessible_get_child_count(desktop.get(), &raw);
  if (raw) {
    ErrorPtr error(raw);
    return failure(error.get(), "cannot list applications");
  }
  std::unordered_set<AtspiAccessible*> seen;
  for (gint i = 0; i < count; ++i) {
    AccessibleElement app(atspi_accessible_get_child_at_index(desktop.get(), i, &raw));
    ErrorPtr error(raw);
    raw = nullptr;
    if (!app) continue;  // An application leaving while we look is not our failure.
    seen.insert(app.get());
    auto cached = pids.find(app.get());
    pid_t appPid = 0;
    if (cached != pids.end()) {
      appPid = cached->second.second;
    } else {
      appPid = static_cast<pid_t>(atspi_accessible_get_process_id(app.get(), &raw));
      ErrorPtr pidError(raw);
      raw = nullptr;
      if (pidError) continue;
      pids.emplace(app.get(), std::make_pair(app, appPid));
    }
    if (appPid == pid && !*application) *application = app;
  }
  std::erase_if(pids, [&seen](const auto& entry) { return !seen.contains(entry.first); });
  std::erase_if(windowRelative, [&seen](const auto& entry) { return !seen.contains(entry.first); });
  if (!*application) {
    return failure(kNoApplication, "process " + std::to_string(pid) + " is not in AT-SPI");
  }
  return {};
}

AtspiHitTest::AtspiHitTest(std::chrono::milliseconds timeout) : state_(std::make_unique<State>()) {
  state_->display = XOpenDisplay(nullptr);
  if (state_->display) {
    state_->pidAtom = XInternAtom(state_->display, "_NET_WM_PID", False);
    state_->nameAtom = XInternAtom(state_->display, "_NET_WM_NAME", False);
    state_->utf8Atom = XInternAtom(state_->display, "UTF8_STRING", False);
  }
  initAtspi(static_cast<int>(timeout.count()));
}

AtspiHitTest::~AtspiHitTest() {
  state_->pids.clear();
  if (state_->display) XCloseDisplay(state_->display);
}

HitTestResult AtspiHitTest::elementAt(int screenX, int screenY) {
  if (!state_->display) return failure(kNoDisplay, "cannot open the X display");

  const auto window = state_->windowAt(screenX, screenY);
  if (!window) return failure(kNoElementAtPoint, "no window at the point");
  if (window->pid == 0) return failure(kNoApplication, "the window at the point has no process id");

  AccessibleElement application;
  if (HitTestResult r = state_->applicationFor(window->pid, &application); !r.ok()) return r;

  GError* raw = nullptr;
  // GTK 4 answers only in window coordinates; everyone else in screen coordinates.
  auto known = state_->windowRelative.find(application.get());
  if (known == state_->windowRelative.end()) {
    GCharPtr toolkit(atspi_accessible_get_toolkit_name(application.get(), &raw));
    if (raw) {
      ErrorPtr error(raw);
      return failure(error.get(), "cannot ask the toolkit name");
    }
    bool gtk4 = false;
    if (toolkit && g_ascii_strcasecmp(toolkit.get(), "GTK") == 0) {
      GCharPtr version(atspi_accessible_get_toolkit_version(application.get(), &raw));
      ErrorPtr error(raw);
      raw = nullptr;
      gtk4 = version && version.get()[0] == '4' && version.get()[1] == '.';
    }
    known = state_->windowRelative.emplace(application.get(), gtk4).first;
  }
  const bool windowRelative = known->second;
  const AtspiCoordType coords = windowRelative ? ATSPI_COORD_TYPE_WINDOW : ATSPI_COORD_TYPE_SCREEN;
  const int x = windowRelative ? screenX - window->clientX : screenX;
  const int y = windowRelative ? screenY - window->clientY : screenY;

  // The application's showing frame under the point. Several may contain it (a menu over
  // its window, or every GTK 4 window in window coordinates): the one whose origin or
  // title matches the X window wins.
  const gint frames = atspi_accessible_get_child_count(application.get(), &raw);
  if (raw) {
    ErrorPtr error(raw);
    return failure(error.get(), "cannot list the application's windows");
  }
  AccessibleElement best;
  int bestScore = -1;
  int silentFrames = 0;
  for (gint i = 0; i < frames; ++i) {
    AccessibleElement frame(atspi_accessible_get_child_at_index(application.get(), i, &raw));
    if (raw) {
      ErrorPtr error(raw);
      return failure(error.get(), "cannot read an application window");
    }
    if (!frame) continue;
    // Extents first: a silent application also answers "not showing", and only the
    // extents call tells that it did not answer at all.
    std::unique_ptr<AtspiRect, GFreeDeleter> extents(
        atspi_component_get_extents(ATSPI_COMPONENT(frame.get()), coords, &raw));
    if (raw) {
      ErrorPtr error(raw);
      return failure(error.get(), "cannot read a window's extents");
    }
    // libatspi gives -1 sizes without an error when the application stays silent.
    if (!extents || extents->width < 0 || extents->height < 0) {
      ++silentFrames;
      continue;
    }
    const Rect rect{extents->x, extents->y, extents->width, extents->height};
    if (!rect.contains(x, y)) continue;
    GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(frame.get()));
    if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING)) continue;
    int score = 0;
    if (!windowRelative && ((rect.x == window->clientX && rect.y == window->clientY) ||
                            (rect.x == window->topLevelX && rect.y == window->topLevelY))) {
      score += 4;
    }
    if (!window->title.empty()) {
      GCharPtr name(atspi_accessible_get_name(frame.get(), &raw));
      ErrorPtr error(raw);
      raw = nullptr;
      if (name && window->title == name.get()) score += 2;
    }
    if (atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE)) score += 1;
    if (score > bestScore) {
      bestScore = score;
      best = std::move(frame);
    }
  }
  if (!best && silentFrames > 0) return failure(kTimedOut, "the application did not answer");
  if (!best) return failure(kNoElementAtPoint, "no showing window of the application there");

  // GTK 3 and Qt answer get_accessible_at_point with a direct child: step down until
  // nothing new comes back. GTK 4 is searched by extents instead (see above).
  AccessibleElement current = std::move(best);
  std::unordered_set<AtspiAccessible*> visited{current.get()};
  for (int depth = 0; depth < kMaxDescent; ++depth) {
    AccessibleElement child;
    if (windowRelative) {
      ScanResult scan = childAtPointByScan(current.get(), x, y, coords);
      if (scan.error) {
        ErrorPtr error(scan.error);
        return failure(error.get(), "cannot look for the element at the point");
      }
      child = AccessibleElement(scan.child);
    } else {
      GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(current.get()));
      if (!component) break;
      child = AccessibleElement(
          atspi_component_get_accessible_at_point(component.get(), x, y, coords, &raw));
      if (raw) {
        ErrorPtr error(raw);
        return failure(error.get(), "cannot descend to the element at the point");
      }
    }
    // An element seen before means a toolkit answering from the top again.
    if (!child || !visited.insert(child.get()).second) break;
    current = std::move(child);
  }

  // Whatever lies inside a control answers as that control.
  std::vector<AccessibleElement> chain;
  std::vector<AtspiRole> roles;
  chain.push_back(current);
  for (std::size_t level = 0; level <= kControlSearchDepth; ++level) {
    const AtspiRole role = atspi_accessible_get_role(chain.back().get(), &raw);
    if (raw) {
      ErrorPtr error(raw);
      if (level == 0) return failure(error.get(), "cannot read the element's role");
      break;
    }
    roles.push_back(role);
    if (level == kControlSearchDepth) break;
    AccessibleElement parent(atspi_accessible_get_parent(chain.back().get(), &raw));
    ErrorPtr error(raw);
    raw = nullptr;
    if (!parent) break;
    chain.push_back(std::move(parent));
  }
  const std::size_t index = answeringIndex(roles);

  HitTestResult result;
  result.element = chain[index];
  result.role = std::string(roleNameForAtspiRole(roles[index]));
  GCharPtr roleName(atspi_role_get_name(roles[index]));
  result.atspiRole = roleName ? roleName.get() : "";
  result.pid = window->pid;
  return result;
}

}  // namespace tandrel::desktop
