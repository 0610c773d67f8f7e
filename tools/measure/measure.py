#!/usr/bin/python3
"""Figures of Tandrel.app on a private headless desktop (run through tools/measure/run, which
starts the desktop). Not tests: the numbers go into the README.

  measure.py BUILD_DIR latency [APPS] [HOLDS]   hold deadline -> the application's secondary press
  measure.py BUILD_DIR cpu [MOVES]              daemon CPU per mouse event over a long drag
  measure.py BUILD_DIR idle [SECONDS]           context switches of an idle daemon
  measure.py BUILD_DIR rss [HOLDS]              resident memory after start and after many holds

Times of the latency come from the X server: the application's own press times, in ms.
"""

import os
import queue
import statistics
import subprocess
import sys
import threading
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAMPLE_APP = os.path.join(SOURCE, "tests", "integration", "apps", "sample_app.py")
# gdbus rather than busctl: a machine without systemd has no busctl.
ASSISTIVE_ACCESS_ON = ["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                       "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                       "org.a11y.Status", "IsEnabled", "<true>"]
NOTIFY = ["gdbus", "emit", "--session", "--object-path", "/org/corvantix/Tandrel", "--signal",
          "org.corvantix.Tandrel.Notifications.Notification"]


class Desktop:
    def __init__(self, build, apps=1, delay=None):
        self.build = build
        self.xuser_path = os.path.join(build, "tools", "xuser", "xuser")
        self.lines = queue.Queue()
        if delay is not None:
            folder = os.path.join(os.environ["XDG_CONFIG_HOME"], "tandrel", "preferences")
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "com.corvantix.tandrel.plist"), "w") as out:
                out.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n<dict>\n'
                          "\t<key>Tandrel_PopupDelay</key>\n\t<real>%g</real>\n</dict>\n</plist>\n"
                          % delay)
        env = dict(os.environ, GDK_BACKEND="x11")
        env.pop("NO_AT_BRIDGE", None)
        self.apps = []
        for index in range(apps):
            # Every window opens at the same place: the last one started is on top, and the
            # daemon's hit test has to find it among the others.
            app = subprocess.Popen(["/usr/bin/python3", SAMPLE_APP], stdout=subprocess.PIPE,
                                   text=True, env=env)
            self.apps.append(app)
            threading.Thread(target=self._read, args=(app.stdout,), daemon=True).start()
            self.ready = self.wait_for("ready", 20)
        subprocess.run(ASSISTIVE_ACCESS_ON, check=True, stdout=subprocess.DEVNULL)
        # TANDREL_DAEMON_WRAPPER runs the daemon under a tool, e.g. "valgrind --leak-check=full".
        wrapper = os.environ.get("TANDREL_DAEMON_WRAPPER", "").split()
        self.daemon = subprocess.Popen(
            wrapper + [os.path.join(build, "Tandrel.app", "Contents", "Linux", "Tandrel")])
        time.sleep(10 if wrapper else 1.5)  # launched, subscribed, watching, and the apps on the AT-SPI bus
        self.targets = dict(w.split("=", 1) for w in self.ready.split()[1:])

    def _read(self, stream):
        for line in stream:
            self.lines.put(line.rstrip("\n"))

    def wait_for(self, prefix, limit=5.0):
        deadline = time.time() + limit
        while True:
            left = deadline - time.time()
            if left <= 0:
                return None
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                return None
            if line.startswith(prefix):
                return line

    def drain(self):
        while not self.lines.empty():
            self.lines.get()

    def point(self, name):
        return self.targets[name].split(",")

    def user(self, *steps):
        subprocess.run([self.xuser_path, *[str(s) for s in steps]], check=True)

    def close(self):
        self.daemon.send_signal(2)  # SIGINT ends it cleanly, so that a wrapper can report
        self.daemon.wait()
        for app in self.apps:
            app.terminate()
            app.wait()


def fields(line):
    return dict(w.split("=", 1) for w in line.split()[1:] if "=" in w)


def hold(desktop, row, menu_due=True):
    """One hold on a row: press, the contextual click, release, the release sequence. The
    (primary press, secondary press) X times, or None when no contextual click came."""
    x, y = desktop.point(row)
    desktop.user("move", x, y, "press", "sync")
    primary = desktop.wait_for("press button=1")
    secondary = desktop.wait_for("press button=3", 5.0 if menu_due else 0.4)
    desktop.user("release", "sync")
    desktop.wait_for("release button=1", 5.0 if menu_due else 0.4)  # the release sequence
    desktop.drain()
    if primary is None or secondary is None:
        return None
    return int(fields(primary)["time"]), int(fields(secondary)["time"])


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def latency(build, apps=1, holds=60):
    delay_ms = 200
    desktop = Desktop(build, apps=int(apps), delay=delay_ms / 1000.0)
    lateness = []
    missed = 0
    rows = ["row0", "row1", "row2", "row3"]
    for n in range(int(holds)):
        # A different row each time: the next press is never the second of a double click.
        times = hold(desktop, rows[n % len(rows)])
        if times is None:
            missed += 1
            continue
        lateness.append(times[1] - times[0] - delay_ms)
    desktop.close()
    print("latency apps=%s holds=%d missed=%d: deadline -> secondary press  p50 %d ms  p99 %d ms  "
          "min %d ms  max %d ms  mean %.2f ms" % (
              apps, len(lateness), missed, percentile(lateness, 0.5), percentile(lateness, 0.99),
              min(lateness), max(lateness), statistics.mean(lateness)))


def cpu_seconds(pid, split=False):
    with open("/proc/%d/stat" % pid) as stat:
        parts = stat.read().rsplit(")", 1)[1].split()
    user, system = (int(parts[11]) / os.sysconf("SC_CLK_TCK"),
                    int(parts[12]) / os.sysconf("SC_CLK_TCK"))
    return (user, system) if split else user + system


def context_switches(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as status:
            for line in status:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def rss_kb(pid, field="VmRSS"):
    # VmRSS counts the shared libraries' pages too; RssAnon is the daemon's own heap and stacks.
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def cpu(build, moves=200000):
    desktop = Desktop(build)
    x, y = desktop.point("row1")
    moves = int(moves)
    # A drag far beyond the tolerance, back and forth: one motion event per step.
    steps = ["move", x, y, "press"]
    for _ in range(moves // 1000):
        steps += ["moverel", "1", "0", "500", "moverel", "-1", "0", "500"]
    steps += ["release", "sync"]
    before = cpu_seconds(desktop.daemon.pid, split=True)
    started = time.time()
    desktop.user(*steps)
    time.sleep(1.0)  # the daemon catches up with the last of the stream
    after = cpu_seconds(desktop.daemon.pid, split=True)
    user, system = after[0] - before[0], after[1] - before[1]
    print("cpu: %d drag events in %.1f s, daemon CPU %.2f s = %.2f us/event "
          "(user %.2f us, kernel %.2f us)" % (
              moves, time.time() - started, user + system, (user + system) * 1e6 / moves,
              user * 1e6 / moves, system * 1e6 / moves))
    desktop.close()


def idle(build, seconds=10):
    desktop = Desktop(build)
    pid = desktop.daemon.pid
    before = context_switches(pid)
    time.sleep(float(seconds))
    after = context_switches(pid)
    threads = len(os.listdir("/proc/%d/task" % pid))
    print("idle: %d context switches (all %d threads) in %s s with no input" % (
        after - before, threads, seconds))
    desktop.close()


def rss(build, holds=1000, target="rows"):
    """Holds on the rows (a context menu each time) or on the push button (the same hit test,
    no menu and so no new accessible objects in the application)."""
    desktop = Desktop(build, delay=0.1)
    pid = desktop.daemon.pid
    start = (rss_kb(pid), rss_kb(pid, "RssAnon"))
    rows = ["row0", "row1", "row2", "row3"] if target == "rows" else ["button"]
    marks = []
    missed = 0
    for n in range(int(holds)):
        missed += hold(desktop, rows[n % len(rows)], target == "rows") is None
        if (n + 1) % (int(holds) // 4) == 0:
            marks.append("%d (anon %d)" % (rss_kb(pid), rss_kb(pid, "RssAnon")))
    print("rss: after start %d (anon %d) kB; after %s holds on %s (%d without a contextual "
          "click): %s kB" % (start[0], start[1], holds, target, missed, " / ".join(marks)))
    desktop.close()


def main():
    build, what, *args = sys.argv[1:]
    {"latency": latency, "cpu": cpu, "idle": idle, "rss": rss}[what](build, *args)


if __name__ == "__main__":
    main()
