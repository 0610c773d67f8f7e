// The desktop's assistive-access switch: org.a11y.Status.IsEnabled on org.a11y.Bus
// at /org/a11y/bus, on the session bus.
#pragma once

#include <atomic>
#include <functional>
#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;
typedef struct _GObject GObject;
typedef struct _GAsyncResult GAsyncResult;
typedef struct _GCancellable GCancellable;

namespace tandrel::desktop {

class AccessibilityStatus {
 public:
  using ChangeHandler = std::function<void(bool enabled)>;

  // Reads the switch once (starting the accessibility bus launcher if needed) and then
  // follows PropertiesChanged on the GLib main context that is the thread's default now.
  // Without a session bus, or when the read fails, isEnabled() is false and error() says why.
  AccessibilityStatus();
  ~AccessibilityStatus();
  AccessibilityStatus(const AccessibilityStatus&) = delete;
  AccessibilityStatus& operator=(const AccessibilityStatus&) = delete;

  // A cheap read of the last known value, safe from any thread.
  bool isEnabled() const { return enabled_.load(std::memory_order_relaxed); }
  bool isConnected() const { return connection_ != nullptr; }
  // Why the value could not be read; empty once a read has succeeded.
  const std::string& error() const { return error_; }

  // Called on the main context after the value changes (not for the first read).
  void setChangeHandler(ChangeHandler handler) { handler_ = std::move(handler); }

 private:
  static void onPropertiesChanged(GDBusConnection*, const char*, const char*, const char*,
                                  const char*, GVariant*, void*);
  static void onGetReply(GObject*, GAsyncResult*, void*);
  void update(bool enabled);
  void refetch();

  GDBusConnection* connection_ = nullptr;
  unsigned subscription_ = 0;
  GCancellable* cancellable_ = nullptr;
  std::atomic<bool> enabled_{false};
  std::string error_;
  ChangeHandler handler_;
};

}  // namespace tandrel::desktop
