// Distributed notifications over the D-Bus session bus.
//
// Every notification is one broadcast signal, emitted with no destination:
//   object path  /org/corvantix/Tandrel
//   interface    org.corvantix.Tandrel.Notifications
//   member       Notification
//   argument     (s) the notification name
// Observers match on the name (an arg0 match rule, so the bus filters). A process's own
// posts reach its own observers: the bus sends the signal back to every connection with a
// matching rule, the sender included, so delivery is the same for local and remote posts.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

typedef struct _GDBusConnection GDBusConnection;

namespace tandrel::desktop {

class DBusBroadcast {
 public:
  static constexpr const char* kObjectPath = "/org/corvantix/Tandrel";
  static constexpr const char* kInterface = "org.corvantix.Tandrel.Notifications";
  static constexpr const char* kMember = "Notification";

  using Callback = std::function<void(const std::string& name)>;

  // Stops delivery when destroyed or cancelled; after that the callback is never called.
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription();

    void cancel();
    bool active() const { return id_ != 0; }

   private:
    friend class DBusBroadcast;
    GDBusConnection* connection_ = nullptr;  // referenced
    unsigned id_ = 0;
  };

  // Connects to the session bus (the process's shared connection).
  DBusBroadcast();
  ~DBusBroadcast();  // Flushes what was posted, so a post just before exit is not lost.
  DBusBroadcast(const DBusBroadcast&) = delete;
  DBusBroadcast& operator=(const DBusBroadcast&) = delete;

  bool isConnected() const;
  // Why there is no connection, or why the last post or observe failed.
  const std::string& error() const { return error_; }

  // Queues the signal; returns false (see error()) when not connected or the name is not
  // valid UTF-8 without NUL.
  bool post(std::string_view name);

  // Delivers matching notifications on the GLib main context that is the thread's default
  // at the time of the call. The match rule is in place on the bus when this returns.
  // The returned subscription is inactive when not connected.
  [[nodiscard]] Subscription observe(std::string name, Callback callback);

  // Blocks until everything posted so far has been written to the bus.
  bool flush();

 private:
  GDBusConnection* connection_ = nullptr;
  std::string error_;
};

}  // namespace tandrel::desktop
