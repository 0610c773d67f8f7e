// xuser: emulate the user's mouse on the headless desktop, one chained script per invocation.
//   xuser move X Y  moverel DX DY [COUNT]  press [BUTTON]  release [BUTTON]
//         click [BUTTON]  keydown KEYSYM  keyup KEYSYM  sleep MS  sync
//         where (prints "X Y MASK", the pointer's position and core button mask)
// Buttons default to 1. Every step is flushed; the program syncs with the server before it exits.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "virtual_user.h"

namespace {

int usage() {
  std::fputs(
      "usage: xuser [--display NAME] [--device NAME] STEP...\n"
      "steps: move X Y | moverel DX DY [COUNT] | press [BUTTON] | release [BUTTON] |\n"
      "       click [BUTTON] | keydown KEYSYM | keyup KEYSYM | sleep MS | sync | where\n",
      stderr);
  return 2;
}

bool parseInt(const std::string& text, long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0') return false;
  *out = value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string display_name;
  std::string device_name = "Xvfb mouse";
  size_t i = 0;
  while (i + 1 < args.size() && (args[i] == "--display" || args[i] == "--device")) {
    (args[i] == "--display" ? display_name : device_name) = args[i + 1];
    i += 2;
  }
  if (i >= args.size()) return usage();

  std::string error;
  auto user = tandrel::xuser::VirtualUser::open(display_name, &error, device_name);
  if (!user) {
    std::fprintf(stderr, "xuser: %s\n", error.c_str());
    return 1;
  }

  // An optional numeric argument at args[i], or the fallback.
  auto optionalNumber = [&](long fallback) {
    long value = fallback;
    if (i < args.size() && parseInt(args[i], &value)) ++i;
    return value;
  };
  auto requiredNumber = [&](const char* step, long* out) {
    if (i < args.size() && parseInt(args[i], out)) {
      ++i;
      return true;
    }
    std::fprintf(stderr, "xuser: %s needs a number\n", step);
    return false;
  };

  while (i < args.size()) {
    const std::string step = args[i++];
    long a = 0, b = 0;
    if (step == "move") {
      if (!requiredNumber("move", &a) || !requiredNumber("move", &b)) return 2;
      user->move(static_cast<int>(a), static_cast<int>(b));
    } else if (step == "moverel") {
      if (!requiredNumber("moverel", &a) || !requiredNumber("moverel", &b)) return 2;
      for (long n = optionalNumber(1); n > 0; --n) {
        user->moveBy(static_cast<int>(a), static_cast<int>(b));
      }
    } else if (step == "press" || step == "release" || step == "click") {
      const auto button = static_cast<unsigned>(optionalNumber(1));
      if (step != "release") user->press(button);
      if (step != "press") user->release(button);
    } else if (step == "keydown" || step == "keyup") {
      if (i >= args.size()) return usage();
      const std::string key = args[i++];
      if (!(step == "keydown" ? user->keyDown(key) : user->keyUp(key))) {
        std::fprintf(stderr, "xuser: unknown key %s\n", key.c_str());
        return 2;
      }
    } else if (step == "sleep") {
      if (!requiredNumber("sleep", &a)) return 2;
      user->sync();
      std::this_thread::sleep_for(std::chrono::milliseconds(a));
    } else if (step == "sync") {
      user->sync();
    } else if (step == "where") {
      int x = 0, y = 0;
      unsigned mask = 0;
      user->query(&x, &y, &mask);
      std::printf("%d %d 0x%x\n", x, y, mask);
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "xuser: unknown step %s\n", step.c_str());
      return usage();
    }
  }
  user->sync();
  return 0;
}
