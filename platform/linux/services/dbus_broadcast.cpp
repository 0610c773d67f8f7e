#include "dbus_broadcast.h"

#include <GLibPointers.h>

#include <gio/gio.h>

#include <utility>

namespace tandrel::desktop {

namespace {

constexpr int kCallTimeoutMs = 5000;

void deliver(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
             GVariant* parameters, gpointer userData) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)"))) return;
  const gchar* name = nullptr;
  g_variant_get(parameters, "(&s)", &name);
  // Copied: the callback may cancel its own subscription and so destroy itself.
  DBusBroadcast::Callback callback = *static_cast<DBusBroadcast::Callback*>(userData);
  callback(name);
}

void freeCallback(gpointer userData) {
  delete static_cast<DBusBroadcast::Callback*>(userData);
}

bool validName(std::string_view name) {
  return g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr) &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace

DBusBroadcast::Subscription::Subscription(Subscription&& other) noexcept
    : connection_(std::exchange(other.connection_, nullptr)), id_(std::exchange(other.id_, 0)) {}

DBusBroadcast::Subscription& DBusBroadcast::Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    cancel();
    connection_ = std::exchange(other.connection_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

DBusBroadcast::Subscription::~Subscription() {
  cancel();
}

void DBusBroadcast::Subscription::cancel() {
  if (connection_) {
    if (id_ != 0) g_dbus_connection_signal_unsubscribe(connection_, id_);
    g_object_unref(connection_);
  }
  connection_ = nullptr;
  id_ = 0;
}

DBusBroadcast::DBusBroadcast() {
  GError* raw = nullptr;
  connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw);
  ErrorPtr error(raw);
  if (!connection_) {
    error_ = std::string("cannot connect to the session bus: ") +
             (error ? error->message : "unknown error");
  }
}

DBusBroadcast::~DBusBroadcast() {
  if (connection_) {
    flush();
    g_object_unref(connection_);
  }
}

bool DBusBroadcast::isConnected() const {
  return connection_ != nullptr;
}

bool DBusBroadcast::post(std::string_view name) {
  if (!connection_) return false;
  if (!validName(name)) {
    error_ = "notification name is not valid UTF-8 text";
    return false;
  }
  const std::string copy(name);
  GError* raw = nullptr;
  const gboolean ok =
      g_dbus_connection_emit_signal(connection_, nullptr, kObjectPath, kInterface, kMember,
                                    g_variant_new("(s)", copy.c_str()), &raw);
  ErrorPtr error(raw);
  if (!ok) {
    error_ = std::string("cannot post ") + copy + ": " + (error ? error->message : "unknown");
    return false;
  }
  return true;
}

DBusBroadcast::Subscription DBusBroadcast::observe(std::string name, Callback callback) {
  Subscription subscription;
  if (!connection_ || !callback) return subscription;
  if (!validName(name)) {
    error_ = "notification name is not valid UTF-8 text";
    return subscription;
  }
  subscription.connection_ = G_DBUS_CONNECTION(g_object_ref(connection_));
  subscription.id_ = g_dbus_connection_signal_subscribe(
      connection_, nullptr, kInterface, kMember, kObjectPath, name.c_str(),
      G_DBUS_SIGNAL_FLAGS_NONE, deliver, new Callback(std::move(callback)), freeCallback);

  // AddMatch goes out without waiting for a reply; a call answered by the bus after it
  // proves the bus has the rule, so a post made after we return is not missed.
  GError* raw = nullptr;
  VariantPtr reply(g_dbus_connection_call_sync(
      connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId",
      nullptr, G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &raw));
  ErrorPtr error(raw);
  if (!reply) {
    error_ = std::string("bus did not confirm subscription to ") + name + ": " +
             (error ? error->message : "unknown");
  }
  return subscription;
}

bool DBusBroadcast::flush() {
  if (!connection_) return false;
  GError* raw = nullptr;
  const gboolean ok = g_dbus_connection_flush_sync(connection_, nullptr, &raw);
  ErrorPtr error(raw);
  if (!ok) {
    error_ = std::string("cannot flush: ") + (error ? error->message : "unknown");
    return false;
  }
  return true;
}

}  // namespace tandrel::desktop
