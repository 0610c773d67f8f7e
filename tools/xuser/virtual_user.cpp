#include "virtual_user.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>

namespace tandrel::xuser {

namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct DeviceInfo {
  XID id = None;
  int buttons = 0;
};

DeviceInfo findDevice(Display* dpy, const std::string& name) {
  int count = 0;
  XDeviceInfo* devices = XListInputDevices(dpy, &count);
  DeviceInfo found;
  for (int i = 0; i < count && found.id == None; ++i) {
    if (devices[i].name == nullptr || name != devices[i].name) continue;
    found.id = devices[i].id;
    auto* info = devices[i].inputclassinfo;
    for (int k = 0; k < devices[i].num_classes; ++k) {
      if (info->c_class == ButtonClass) {
        found.buttons = reinterpret_cast<XButtonInfo*>(info)->num_buttons;
      }
      info = reinterpret_cast<XAnyClassPtr>(reinterpret_cast<char*>(info) + info->length);
    }
  }
  if (devices != nullptr) XFreeDeviceList(devices);
  return found;
}

}  // namespace

struct VirtualUser::Impl {
  DisplayPtr dpy;
  XDevice* device = nullptr;
  int device_buttons = 0;

  ~Impl() {
    if (device != nullptr) XCloseDevice(dpy.get(), device);
  }

  void query(int* x, int* y, unsigned* mask) const {
    Window root_return, child;
    int wx, wy;
    XQueryPointer(dpy.get(), DefaultRootWindow(dpy.get()), &root_return, &child, x, y, &wx, &wy,
                  mask);
  }

  void button(unsigned number, bool down) {
    // Xvfb's mouse has three buttons: the wheel and the side buttons can only come from the
    // XTEST device, which is harmless for buttons that are never held.
    if (static_cast<int>(number) <= device_buttons) {
      XTestFakeDeviceButtonEvent(dpy.get(), device, number, down ? True : False, nullptr, 0,
                                 CurrentTime);
    } else {
      XTestFakeButtonEvent(dpy.get(), number, down ? True : False, CurrentTime);
    }
    XFlush(dpy.get());
  }

  bool key(const std::string& keysym, bool down) {
    KeySym sym = XStringToKeysym(keysym.c_str());
    if (sym == NoSymbol) return false;
    KeyCode code = XKeysymToKeycode(dpy.get(), sym);
    if (code == 0) return false;
    XTestFakeKeyEvent(dpy.get(), code, down ? True : False, CurrentTime);
    XFlush(dpy.get());
    return true;
  }
};

VirtualUser::VirtualUser(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
VirtualUser::~VirtualUser() = default;

std::unique_ptr<VirtualUser> VirtualUser::open(const std::string& display_name, std::string* error,
                                               const std::string& device_name) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  auto impl = std::make_unique<Impl>();
  // Xvfb resets a few percent of new connections during setup; one refusal is no answer.
  for (int tries = 0; tries < 10 && !impl->dpy; ++tries) {
    impl->dpy.reset(XOpenDisplay(display_name.empty() ? nullptr : display_name.c_str()));
  }
  if (!impl->dpy) return fail("cannot open display");
  int event_base, error_base, major, minor;
  if (!XTestQueryExtension(impl->dpy.get(), &event_base, &error_base, &major, &minor)) {
    return fail("the display has no XTEST extension");
  }
  const DeviceInfo info = findDevice(impl->dpy.get(), device_name);
  if (info.id == None) return fail("no input device named \"" + device_name + "\"");
  impl->device_buttons = info.buttons;
  impl->device = XOpenDevice(impl->dpy.get(), info.id);
  if (impl->device == nullptr) return fail("cannot open device \"" + device_name + "\"");
  return std::unique_ptr<VirtualUser>(new VirtualUser(std::move(impl)));
}

void VirtualUser::move(int x, int y) {
  // The mouse is a relative device: reach an absolute point by the difference from where the
  // pointer is, which also makes XInput2 raw motion, as a real mouse would.
  int px = 0, py = 0;
  unsigned mask = 0;
  impl_->query(&px, &py, &mask);
  if (px != x || py != y) moveBy(x - px, y - py);
}

void VirtualUser::moveBy(int dx, int dy) {
  int axes[2] = {dx, dy};
  XTestFakeDeviceMotionEvent(impl_->dpy.get(), impl_->device, True, 0, axes, 2, CurrentTime);
  XFlush(impl_->dpy.get());
}

void VirtualUser::press(unsigned button) {
  impl_->button(button, true);
}
void VirtualUser::release(unsigned button) {
  impl_->button(button, false);
}

bool VirtualUser::keyDown(const std::string& keysym) {
  return impl_->key(keysym, true);
}
bool VirtualUser::keyUp(const std::string& keysym) {
  return impl_->key(keysym, false);
}

void VirtualUser::query(int* x, int* y, unsigned* mask) const {
  impl_->query(x, y, mask);
}

void VirtualUser::sync() {
  XSync(impl_->dpy.get(), False);
}

_XDisplay* VirtualUser::display() const {
  return impl_->dpy.get();
}

}  // namespace tandrel::xuser
