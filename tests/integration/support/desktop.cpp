#include "desktop.h"

#include <glib.h>

#include <cstdlib>

namespace tandrel::testing {

std::string displayName() {
  const char* name = std::getenv("DISPLAY");
  return name == nullptr ? "" : name;
}

bool pumpUntil(GMainContext* context, const std::function<bool()>& done,
               std::chrono::milliseconds limit) {
  bool expired = false;
  GSource* timeout = g_timeout_source_new(static_cast<guint>(limit.count()));
  g_source_set_callback(
      timeout,
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &expired, nullptr);
  g_source_attach(timeout, context);
  while (!done() && !expired) g_main_context_iteration(context, TRUE);
  g_source_destroy(timeout);
  g_source_unref(timeout);
  return done();
}

MainContext::MainContext() : context_(g_main_context_new()) {}
MainContext::~MainContext() {
  g_main_context_unref(context_);
}

}  // namespace tandrel::testing
