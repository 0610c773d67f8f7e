#pragma once

// A stand-in for the person at the desk: moves and clicks through the server's own mouse device
// ("Xvfb mouse"), not through the shared XTEST device, so events posted by the program under test
// and by the "user" keep separate button states, as a real mouse and a synthetic poster would.

#include <memory>
#include <string>

struct _XDisplay;

namespace tandrel::xuser {

class VirtualUser {
 public:
  // nullptr with *error set when the display, XTest, XInput or the device is missing.
  static std::unique_ptr<VirtualUser> open(const std::string& display_name, std::string* error,
                                           const std::string& device_name = "Xvfb mouse");
  ~VirtualUser();
  VirtualUser(const VirtualUser&) = delete;
  VirtualUser& operator=(const VirtualUser&) = delete;

  void move(int x, int y);  // root coordinates
  void moveBy(int dx, int dy);
  // Buttons the device lacks (Xvfb's has 1 to 3) go through the core XTEST device.
  void press(unsigned button);
  void release(unsigned button);
  // Keys go through the core XTest keyboard; a keysym name such as "Shift_L". False if unknown.
  bool keyDown(const std::string& keysym);
  bool keyUp(const std::string& keysym);
  // The pointer's root position and core button mask, as the server has it now.
  void query(int* x, int* y, unsigned* mask) const;
  // Returns once the server has handled everything sent so far.
  void sync();

  _XDisplay* display() const;

 private:
  struct Impl;
  explicit VirtualUser(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandrel::xuser
