#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <climits>
#include <string>

#include "tandrel/desktop/x_settings_reader.h"
#include "x_display.h"

namespace tandrel::desktop {

namespace {

struct XFreer {
  void operator()(unsigned char* p) const { XFree(p); }
};

// The manager's window can vanish between finding it and reading it; Xlib's default handler
// would end the process over that BadWindow. Errors of this display are counted instead while
// the trap is alive; other displays' errors go to the previous handler.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* dpy) : dpy_(dpy) {
    XSync(dpy_, False);
    active_ = this;
    previous_ = XSetErrorHandler(&ErrorTrap::handle);
  }
  ~ErrorTrap() {
    XSync(dpy_, False);
    XSetErrorHandler(previous_);
    active_ = nullptr;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  bool failed() {
    XSync(dpy_, False);
    return errors_ > 0;
  }

 private:
  static int handle(Display* dpy, XErrorEvent* event) {
    if (active_ != nullptr && dpy == active_->dpy_) {
      ++active_->errors_;
      return 0;
    }
    return active_ != nullptr && active_->previous_ != nullptr ? active_->previous_(dpy, event) : 0;
  }

  static inline ErrorTrap* active_ = nullptr;
  Display* dpy_;
  XErrorHandler previous_ = nullptr;
  int errors_ = 0;
};

}  // namespace

struct XSettingsReader::Impl {
  detail::DisplayPtr dpy;
};

XSettingsReader::XSettingsReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
XSettingsReader::~XSettingsReader() = default;

std::unique_ptr<XSettingsReader> XSettingsReader::open(const std::string& display_name) {
  auto impl = std::make_unique<Impl>();
  impl->dpy = detail::openDisplay(display_name);
  if (!impl->dpy) return nullptr;
  return std::unique_ptr<XSettingsReader>(new XSettingsReader(std::move(impl)));
}

std::optional<XSettings> XSettingsReader::read() {
  Display* dpy = impl_->dpy.get();
  const std::string selection_name = "_XSETTINGS_S" + std::to_string(DefaultScreen(dpy));
  const Atom selection = XInternAtom(dpy, selection_name.c_str(), False);
  const Atom property = XInternAtom(dpy, "_XSETTINGS_SETTINGS", False);
  const Window owner = XGetSelectionOwner(dpy, selection);
  if (owner == None) return std::nullopt;

  ErrorTrap trap(dpy);
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* raw = nullptr;
  const int status = XGetWindowProperty(dpy, owner, property, 0, LONG_MAX, False, property, &type,
                                        &format, &items, &after, &raw);
  std::unique_ptr<unsigned char, XFreer> data(raw);
  if (trap.failed() || status != Success || !data || type != property || format != 8) {
    return std::nullopt;
  }
  return parseXSettings(std::span<const std::uint8_t>(data.get(), items));
}

std::optional<std::chrono::milliseconds> XSettingsReader::managedDoubleClickTime() {
  const auto settings = read();
  if (!settings) return std::nullopt;
  const auto it = settings->values.find("Net/DoubleClickTime");
  if (it == settings->values.end()) return std::nullopt;
  const auto* ms = std::get_if<std::int32_t>(&it->second);
  if (ms == nullptr || *ms <= 0) return std::nullopt;
  return std::chrono::milliseconds(*ms);
}

std::chrono::milliseconds XSettingsReader::doubleClickTime() {
  return managedDoubleClickTime().value_or(kFallbackDoubleClickTime);
}

std::uint32_t XSettingsReader::doubleClickTicks() {
  return millisecondsToTicks(doubleClickTime());
}

}  // namespace tandrel::desktop
