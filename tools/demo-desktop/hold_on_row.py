#!/usr/bin/python3
"""One real hold on a table row, inside a private desktop (run by tools/demo through
tools/headless-desktop): starts the GTK sample application and Tandrel.app, holds the mouse on a
row through the emulated user, takes a screenshot while the context menu is open, drags onto a
menu item and lets go. Prints one timeline of what the user did, what the application received,
what went over the session bus and what the daemon logged.

  hold_on_row.py BUILD_DIR SCREENSHOT
"""

import os
import re
import subprocess
import sys
import threading
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAMPLE_APP = os.path.join(SOURCE, "tests", "integration", "apps", "sample_app.py")
BUS_MATCH = "type='signal',interface='org.corvantix.Tandrel.Notifications'"
# gdbus rather than busctl: a machine without systemd has no busctl.
ASSISTIVE_ACCESS_ON = ["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                       "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                       "org.a11y.Status", "IsEnabled", "<true>"]
NOTIFY = ["gdbus", "emit", "--session", "--object-path", "/org/corvantix/Tandrel", "--signal",
          "org.corvantix.Tandrel.Notifications.Notification"]


def now_ms():
    # The X server stamps events with CLOCK_MONOTONIC in milliseconds, as Python's monotonic
    # clock reads it: one time axis for the application's events and everything else.
    return time.clock_gettime(time.CLOCK_MONOTONIC) * 1000.0


class Timeline:
    def __init__(self):
        self.entries = []  # (time ms, who, what)
        self.lock = threading.Lock()

    def add(self, stamp, who, what):
        with self.lock:
            self.entries.append((stamp, who, what))

    def print(self, origin):
        print("    time  who           what happened")
        for stamp, who, what in sorted(self.entries, key=lambda e: e[0]):
            print("%8.3f  %-12s  %s" % ((stamp - origin) / 1000.0, who, what))


def follow(stream, on_line):
    def run():
        for raw in stream:
            on_line(raw.rstrip("\n"))
    thread = threading.Thread(target=run, daemon=True)
    thread.start()
    return thread


def main():
    build, screenshot = sys.argv[1], sys.argv[2]
    daemon_path = os.path.join(build, "Tandrel.app", "Contents", "Linux", "Tandrel")
    xuser = os.path.join(build, "tools", "xuser", "xuser")
    timeline = Timeline()
    app_lines = []
    wall_offset_ms = time.time() * 1000.0 - now_ms()

    def user(*steps, note):
        timeline.add(now_ms(), "user", note)
        subprocess.run([xuser, *steps], check=True)

    env = dict(os.environ, GDK_BACKEND="x11")
    env.pop("NO_AT_BRIDGE", None)
    app = subprocess.Popen(["/usr/bin/python3", SAMPLE_APP], stdout=subprocess.PIPE, text=True,
                           env=env)
    ready = threading.Event()
    released = [False]

    app_entries = []  # the application's lines, in its own order, for the clamping below

    def on_app(line):
        app_lines.append(line)
        fields = dict(w.split("=", 1) for w in line.split()[1:] if "=" in w)
        if line.startswith("ready"):
            ready.set()
            return
        if "time" in fields:
            # X times are the low 32 bits of the monotonic milliseconds.
            x_time = int(fields["time"])
            stamp = float(int(now_ms()))
            stamp -= (int(stamp) - x_time) % (1 << 32)
            what = "%s button %s at (%s) on %s, state %s" % (
                line.split()[0], fields["button"], fields["root"].replace(",", ", "),
                fields["widget"], fields["state"])
            if fields["button"] == "3":
                what += "   <- posted by Tandrel"
            elif released[0]:
                what += "   <- Tandrel's release sequence"
            # A line without an X time was stamped when it was read, later than it happened:
            # keep it before the timed line that the application wrote after it.
            for entry in reversed(app_entries):
                if entry[0] <= stamp or entry[3]:
                    break
                entry[0] = stamp - 0.001
            app_entries.append([stamp, "application", what, True])
        else:
            app_entries.append([now_ms(), "application", line, False])

    follow(app.stdout, on_app)
    if not ready.wait(20):
        sys.exit("the sample application did not start")
    targets = dict(w.split("=", 1) for w in app_lines[0].split()[1:])
    row_x, row_y = targets["row1"].split(",")

    subprocess.run(ASSISTIVE_ACCESS_ON, check=True, stdout=subprocess.DEVNULL)
    timeline.add(now_ms(), "desktop", "assistive access switched on (org.a11y.Status.IsEnabled)")

    pong = threading.Event()
    monitor = subprocess.Popen(["dbus-monitor", "--session", BUS_MATCH], stdout=subprocess.PIPE,
                               text=True)

    in_notification = [False]

    def on_bus(line):
        if not line.startswith(" "):
            in_notification[0] = "member=Notification" in line
            return
        found = re.search(r'string "([^"]+)"', line)
        if found and in_notification[0]:
            timeline.add(now_ms(), "session bus", "notification " + found.group(1))
            pong.set() if found.group(1).endswith(".Pong") else None

    follow(monitor.stdout, on_bus)
    time.sleep(0.3)  # dbus-monitor has its match rule in place

    daemon = subprocess.Popen([daemon_path], stderr=subprocess.PIPE, text=True)
    timeline.add(now_ms(), "Tandrel.app", "started: " + os.path.relpath(daemon_path, SOURCE))

    def on_daemon(line):
        stamp = now_ms()
        found = re.match(r"(\d\d):(\d\d):(\d\d)\.(\d\d\d) ", line)
        if found:
            # The log stamps wall-clock time of day; bring it onto the monotonic axis.
            h, m, s, ms = (int(g) for g in found.groups())
            local = time.localtime()
            midnight = time.mktime(time.struct_time(
                (local.tm_year, local.tm_mon, local.tm_mday, 0, 0, 0, 0, 0, local.tm_isdst)))
            stamp = midnight * 1000.0 + ((h * 60 + m) * 60 + s) * 1000 + ms - wall_offset_ms
        timeline.add(stamp, "Tandrel.app", "log: " + line)

    follow(daemon.stderr, on_daemon)
    deadline = time.time() + 10
    while not pong.is_set() and time.time() < deadline:
        subprocess.run(NOTIFY + ["com.corvantix.tandrel.Ping"], check=True)
        pong.wait(0.2)
    if not pong.is_set():
        sys.exit("Tandrel.app did not answer the ping")

    user("move", row_x, row_y, "press", "sync",
         note="presses the primary button on row 'Beta' at (%s, %s) and holds it still"
         % (row_x, row_y))
    deadline = time.time() + 10
    while not any(l.startswith("menu-opened") for l in app_lines) and time.time() < deadline:
        time.sleep(0.02)
    time.sleep(0.3)  # let the menu draw
    # The application's window and its menu, not the whole empty screen.
    subprocess.run(["import", "-window", "root", "-crop", "500x380+90+90", "+repage", screenshot],
                   check=True)
    timeline.add(now_ms(), "demo", "screenshot saved: " + screenshot)
    user("sleep", "100", "moverel", "8", "14", "sleep", "100", "moverel", "8", "14", "sleep",
         "100", "moverel", "8", "14", "sleep", "400", "sync",
         note="drags right and down onto the second menu item, still holding")
    released[0] = True
    user("release", "sync", note="lets go of the primary button on the item")
    time.sleep(1.0)

    subprocess.run(NOTIFY + ["com.corvantix.tandrel.ShutdownRequest"], check=True)
    try:
        daemon.wait(5)
    except subprocess.TimeoutExpired:
        daemon.terminate()
    time.sleep(0.2)
    app.terminate()
    monitor.terminate()
    app.wait()
    monitor.wait()
    time.sleep(0.1)
    for stamp, who, what, _timed in app_entries:
        timeline.add(stamp, who, what)

    press = [e for e in timeline.entries if e[1] == "user" and "presses" in e[2]][0][0]
    timeline.print(press)
    if not any(e[1] == "Tandrel.app" and e[2].startswith("log:") for e in timeline.entries):
        print("\nTandrel.app logged nothing: it logs only errors and a refused second start.")
    activated = [l for l in app_lines if l.startswith("menu-item-activated")]
    print()
    print("Menu item activated: %s" % (activated[0].split(" ", 1)[1] if activated else "none"))
    return 0 if activated else 1


if __name__ == "__main__":
    sys.exit(main())
