#include "tandrel/desktop/x_test_poster.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "x_display.h"

namespace tandrel::desktop {

const char* describe(PosterError error) {
  switch (error) {
    case PosterError::none:
      return "no error";
    case PosterError::cannot_open_display:
      return "cannot open the X display";
    case PosterError::no_xtest_extension:
      return "the X display has no XTEST extension";
  }
  return "unknown error";
}

namespace {

// List position to X button: primary, secondary, tertiary.
constexpr std::array<unsigned, 3> kXButtonOfIndex = {1, 3, 2};

struct PointerState {
  int x = 0;
  int y = 0;
  std::uint32_t buttons = 0;
};

}  // namespace

struct XTestPoster::Impl {
  detail::DisplayPtr dpy;

  PointerState query() const {
    Window root, child;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned mask = 0;
    XQueryPointer(dpy.get(), DefaultRootWindow(dpy.get()), &root, &child, &root_x, &root_y, &win_x,
                  &win_y, &mask);
    PointerState state{root_x, root_y, 0};
    const unsigned masks[] = {Button1Mask, Button2Mask, Button3Mask, Button4Mask, Button5Mask};
    for (unsigned i = 0; i < 5; ++i) {
      if (mask & masks[i]) state.buttons |= 1u << i;
    }
    return state;
  }

  void moveTo(int x, int y) {
    // Screen -1: the screen the pointer is on.
    XTestFakeMotionEvent(dpy.get(), -1, x, y, CurrentTime);
  }
};

XTestPoster::XTestPoster(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
XTestPoster::~XTestPoster() = default;

std::unique_ptr<XTestPoster> XTestPoster::create(const std::string& display_name,
                                                 PosterError* error) {
  auto fail = [error](PosterError why) {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  if (error != nullptr) *error = PosterError::none;
  auto impl = std::make_unique<Impl>();
  impl->dpy = detail::openDisplay(display_name);
  if (!impl->dpy) return fail(PosterError::cannot_open_display);
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(impl->dpy.get(), &event_base, &error_base, &major, &minor)) {
    return fail(PosterError::no_xtest_extension);
  }
  return std::unique_ptr<XTestPoster>(new XTestPoster(std::move(impl)));
}

PostReport XTestPoster::post(float x, float y, bool update_cursor,
                             std::span<const bool> button_states) {
  PostReport report;
  Display* dpy = impl_->dpy.get();
  const PointerState before = impl_->query();
  const int target_x = static_cast<int>(std::lround(x));
  const int target_y = static_cast<int>(std::lround(y));

  // XTest posts where the pointer is, so an event at a point needs the pointer there first.
  if (before.x != target_x || before.y != target_y) {
    impl_->moveTo(target_x, target_y);
    report.moved = true;
  }
  const std::size_t count = std::min(button_states.size(), kXButtonOfIndex.size());
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned button = kXButtonOfIndex[i];
    const bool is_down = (before.buttons & (1u << (button - 1))) != 0;
    if (is_down == button_states[i]) continue;
    XTestFakeButtonEvent(dpy, button, button_states[i] ? True : False, CurrentTime);
    report.changes.push_back({button, button_states[i]});
  }
  if (report.moved && !update_cursor) {
    impl_->moveTo(before.x, before.y);
    report.restored = true;
  }
  XFlush(dpy);
  return report;
}

PostReport XTestPoster::post(float x, float y, bool update_cursor,
                             std::initializer_list<bool> button_states) {
  return post(x, y, update_cursor,
              std::span<const bool>(button_states.begin(), button_states.size()));
}

std::uint32_t XTestPoster::currentButtons() const {
  return impl_->query().buttons;
}

}  // namespace tandrel::desktop
