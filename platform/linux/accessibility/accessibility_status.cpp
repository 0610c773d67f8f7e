#include "accessibility_status.h"

#include <GLibPointers.h>

#include <gio/gio.h>

#include <memory>

namespace tandrel::desktop {

namespace {

constexpr const char* kBusName = "org.a11y.Bus";
constexpr const char* kPath = "/org/a11y/bus";
constexpr const char* kInterface = "org.a11y.Status";
constexpr const char* kProperty = "IsEnabled";
// Long enough for the bus launcher to be started on demand.
constexpr int kCallTimeoutMs = 3000;

// The reply of Properties.Get is (v); the switch is a boolean inside it.
bool readReply(GVariant* reply, bool* enabled) {
  GVariant* inner = nullptr;
  g_variant_get(reply, "(v)", &inner);
  VariantPtr value(inner);
  if (!value || !g_variant_is_of_type(value.get(), G_VARIANT_TYPE_BOOLEAN)) return false;
  *enabled = g_variant_get_boolean(value.get());
  return true;
}

}  // namespace

AccessibilityStatus::AccessibilityStatus() {
  GError* raw = nullptr;
  connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw);
  if (!connection_) {
    ErrorPtr error(raw);
    error_ = std::string("cannot connect to the session bus: ") +
             (error ? error->message : "unknown error");
    return;
  }
  cancellable_ = g_cancellable_new();

  // Subscribed before the first read, so a change between the two is not lost.
  subscription_ = g_dbus_connection_signal_subscribe(
      connection_, kBusName, "org.freedesktop.DBus.Properties", "PropertiesChanged", kPath,
      kInterface, G_DBUS_SIGNAL_FLAGS_NONE, &AccessibilityStatus::onPropertiesChanged, this,
      nullptr);

  VariantPtr reply(g_dbus_connection_call_sync(
      connection_, kBusName, kPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kInterface, kProperty), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
      kCallTimeoutMs, nullptr, &raw));
  ErrorPtr error(raw);
  bool enabled = false;
  if (!reply) {
    error_ = std::string("cannot read org.a11y.Status.IsEnabled: ") +
             (error ? error->message : "unknown error");
  } else if (!readReply(reply.get(), &enabled)) {
    error_ = "org.a11y.Status.IsEnabled is not a boolean";
  } else {
    enabled_.store(enabled, std::memory_order_relaxed);
  }
}

AccessibilityStatus::~AccessibilityStatus() {
  if (cancellable_) {
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
  }
  if (connection_) {
    if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(connection_, subscription_);
    g_object_unref(connection_);
  }
}

void AccessibilityStatus::update(bool enabled) {
  error_.clear();
  const bool previous = enabled_.exchange(enabled, std::memory_order_relaxed);
  if (previous != enabled && handler_) handler_(enabled);
}

void AccessibilityStatus::refetch() {
  g_dbus_connection_call(connection_, kBusName, kPath, "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", kInterface, kProperty), G_VARIANT_TYPE("(v)"),
                         G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, cancellable_,
                         &AccessibilityStatus::onGetReply, this);
}

void AccessibilityStatus::onGetReply(GObject* source, GAsyncResult* result, void* self) {
  GError* raw = nullptr;
  VariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &raw));
  ErrorPtr error(raw);
  // Cancelled means the object is gone: touch nothing.
  if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
  auto* status = static_cast<AccessibilityStatus*>(self);
  bool enabled = false;
  if (reply && readReply(reply.get(), &enabled)) {
    status->update(enabled);
  } else {
    status->error_ = std::string("cannot read org.a11y.Status.IsEnabled: ") +
                     (error ? error->message : "not a boolean");
  }
}

void AccessibilityStatus::onPropertiesChanged(GDBusConnection*, const char*, const char*,
                                              const char*, const char*, GVariant* parameters,
                                              void* self) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
  auto* status = static_cast<AccessibilityStatus*>(self);
  const gchar* interface = nullptr;
  GVariant* rawChanged = nullptr;
  const gchar** rawInvalidated = nullptr;
  g_variant_get(parameters, "(&s@a{sv}^a&s)", &interface, &rawChanged, &rawInvalidated);
  VariantPtr changed(rawChanged);
  std::unique_ptr<const gchar*, decltype(&g_free)> invalidated(rawInvalidated, &g_free);

  gboolean enabled = FALSE;
  if (g_variant_lookup(changed.get(), kProperty, "b", &enabled)) {
    status->update(enabled);
    return;
  }
  for (const gchar** name = invalidated.get(); name && *name; ++name) {
    if (g_strcmp0(*name, kProperty) == 0) {
      status->refetch();
      return;
    }
  }
}

}  // namespace tandrel::desktop
