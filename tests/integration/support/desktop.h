#pragma once

// Shared pieces of the desktop tests: the display they run on and a bounded main-loop pump.

#include <chrono>
#include <functional>
#include <string>

typedef struct _GMainContext GMainContext;

namespace tandrel::testing {

// $DISPLAY, or "" when the test is not inside tools/headless-desktop.
std::string displayName();

// Iterates `context` until `done` holds or `limit` passes; whether `done` held.
bool pumpUntil(GMainContext* context, const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));

// Owns a fresh main context for one test.
class MainContext {
 public:
  MainContext();
  ~MainContext();
  MainContext(const MainContext&) = delete;
  MainContext& operator=(const MainContext&) = delete;
  GMainContext* get() const { return context_; }

 private:
  GMainContext* context_;
};

}  // namespace tandrel::testing
