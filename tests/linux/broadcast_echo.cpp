// Test peer for the broadcast tests and the ping benchmark: answers "Ping" with "Pong",
// announces itself with "EchoReady", and exits on "ShutdownRequest".
#include <glib.h>

#include "dbus_broadcast.h"

int main() {
  using tandrel::desktop::DBusBroadcast;
  DBusBroadcast broadcast;
  if (!broadcast.isConnected()) return 2;
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  {
    auto ping = broadcast.observe("Ping", [&](const std::string&) { broadcast.post("Pong"); });
    auto quit = broadcast.observe("ShutdownRequest",
                                  [loop](const std::string&) { g_main_loop_quit(loop); });
    // Both subscriptions are in place on the bus now, so announcing cannot lose a ping.
    broadcast.post("EchoReady");
    g_main_loop_run(loop);
  }
  g_main_loop_unref(loop);
  return 0;
}
