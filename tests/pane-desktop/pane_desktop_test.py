#!/usr/bin/python3
"""The preferences window, the Tandrel pane and the daemon together on a private headless desktop.

Run one test per private desktop (tests/linux/run-headless.sh), with the build folder in
TANDREL_BUILD. The pane is driven like a user drives it (xdotool on the widgets' places from the
pane's layout file); what it shows is read through AT-SPI; the daemon is asked with the session
bus's Ping; the shared domains are read from their property-list files.
"""
import os
import plistlib
import shutil
import signal
import subprocess
import sys
import time
import unittest
import xml.etree.ElementTree as ElementTree

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

BUILD = os.environ["TANDREL_BUILD"]
PANE = os.path.join(BUILD, "Tandrel_Preference_Pane.prefPane")
HOST = os.path.join(BUILD, "host", "tandrel-preferences")
LOGIN_ITEMS = os.path.join(BUILD, "host", "tandrel-login-items")
LAYOUT = os.path.join(PANE, "Contents", "Resources", "TandrelPref.ui")
DAEMON_SUFFIX = "/Tandrel.app/Contents/Linux/Tandrel"

BUS_PATH = "/org/corvantix/Tandrel"
BUS_INTERFACE = "org.corvantix.Tandrel.Notifications"
PING = "com.corvantix.tandrel.Ping"
PONG = "com.corvantix.tandrel.Pong"
UPDATE = "com.corvantix.tandrel.UpdatePreferences"

WAIT = 10.0  # seconds any awaited state may take on a slow machine


def config_folder():
    return os.environ.get("XDG_CONFIG_HOME") or os.path.join(os.environ["HOME"], ".config")


def read_domain(name):
    path = os.path.join(config_folder(), "tandrel", "preferences", name + ".plist")
    try:
        with open(path, "rb") as file:
            return plistlib.load(file)
    except FileNotFoundError:
        return None


def write_domain(name, contents):
    folder = os.path.join(config_folder(), "tandrel", "preferences")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name + ".plist"), "wb") as file:
        plistlib.dump(contents, file, fmt=plistlib.FMT_XML)


def login_paths():
    domain = read_domain("loginwindow") or {}
    return [item.get("Path") for item in domain.get("AutoLaunchedApplicationDictionary", [])]


def daemons():
    """Daemons of this desktop: process id and executable."""
    found = []
    display = ("DISPLAY=" + os.environ["DISPLAY"]).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            exe = os.readlink(f"/proc/{pid}/exe")
            with open(f"/proc/{pid}/environ", "rb") as file:
                environment = file.read().split(b"\0")
            with open(f"/proc/{pid}/stat") as file:
                state = file.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if exe.endswith(DAEMON_SUFFIX) and display in environment and state != "Z":
            found.append((int(pid), exe))
    return found


def widget_places():
    """Each named widget's rectangle in the window, from the layout's absolute geometry."""
    places = {}

    def walk(node, x, y):
        for child in node.findall("widget"):
            rect = child.find("./property[@name='geometry']/rect")
            if rect is None:
                continue
            cx = x + int(rect.find("x").text)
            cy = y + int(rect.find("y").text)
            places[child.get("name")] = (cx, cy, int(rect.find("width").text),
                                         int(rect.find("height").text))
            walk(child, cx, cy)

    walk(ElementTree.parse(LAYOUT).getroot().find("widget"), 0, 0)
    return places


class Bus:
    """The session bus: the pane's and the daemon's broadcasts, and the accessibility switch."""

    def __init__(self):
        self.connection = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.heard = []
        self.connection.signal_subscribe(None, BUS_INTERFACE, "Notification", BUS_PATH, None,
                                         Gio.DBusSignalFlags.NONE, self._heard)
        # The subscription counts once the bus has answered a call after it.
        self.connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "GetId", None, None,
                                  Gio.DBusCallFlags.NONE, 5000, None)

    def _heard(self, connection, sender, path, interface, member, parameters):
        self.heard.append(parameters.unpack()[0])

    def pump(self, seconds):
        end = time.monotonic() + seconds
        context = GLib.MainContext.default()
        while time.monotonic() < end:
            while context.pending():
                context.iteration(False)
            time.sleep(0.01)

    def wait_for(self, condition, seconds=WAIT):
        end = time.monotonic() + seconds
        context = GLib.MainContext.default()
        while time.monotonic() < end:
            while context.pending():
                context.iteration(False)
            if condition():
                return True
            time.sleep(0.02)
        return condition()

    def post(self, name):
        self.connection.emit_signal(None, BUS_PATH, BUS_INTERFACE, "Notification",
                                    GLib.Variant("(s)", (name,)))
        self.connection.flush_sync(None)

    def ping_answered(self, seconds=3.0):
        before = self.heard.count(PONG)
        self.post(PING)
        return self.wait_for(lambda: self.heard.count(PONG) > before, seconds)

    def set_accessibility(self, enabled):
        self.connection.call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
            GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", enabled))),
            None, Gio.DBusCallFlags.NONE, 5000, None)


class Host:
    """tandrel-preferences with a pane, and the user's hands on it."""

    def __init__(self, bus, pane=PANE):
        self.bus = bus
        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        # Not a pipe: the daemon it launches inherits its standard error.
        self.log = open(os.path.join(os.environ["HOME"], "host.log"), "a")
        self.process = subprocess.Popen([HOST, pane], env=environment, stderr=self.log)
        self.places = widget_places()
        self.origin = None

    def window_origin(self):
        if self.origin is None:
            found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                    str(self.process.pid)], capture_output=True, text=True,
                                   timeout=WAIT, check=True).stdout.split()
            shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", found[0]],
                                   capture_output=True, text=True, check=True).stdout
            values = dict(line.split("=", 1) for line in shell.split())
            self.origin = (int(values["X"]), int(values["Y"]))
        return self.origin

    def point(self, name, fx=0.5, fy=0.5):
        x, y, width, height = self.places[name]
        ox, oy = self.window_origin()
        return ox + int(x + width * fx), oy + int(y + height * fy)

    def click(self, name, fx=0.5, fy=0.5):
        x, y = self.point(name, fx, fy)
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)

    def press(self, name, fx, fy=0.5):
        x, y = self.point(name, fx, fy)
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "mousedown", "1"], check=True)

    def drag_by(self, dx):
        for _ in range(abs(dx) // 4):
            subprocess.run(["xdotool", "mousemove_relative", "--", str(4 if dx > 0 else -4), "0"],
                           check=True)
            time.sleep(0.02)

    def release(self):
        subprocess.run(["xdotool", "mouseup", "1"], check=True)

    def key(self, name):
        subprocess.run(["xdotool", "key", name], check=True)

    def close(self):
        """Closes the window the way the desktop does; the host leaves the pane and exits."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(WAIT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        return self.process.returncode

    # --- what the pane shows, through AT-SPI

    def accessible(self, role, name):
        desktop = Atspi.get_desktop(0)
        for index in range(desktop.get_child_count()):
            application = desktop.get_child_at_index(index)
            if application is None or application.get_process_id() != self.process.pid:
                continue
            found = self._find(application, role, name, 0)
            if found is not None:
                return found
        return None

    def _find(self, node, role, name, depth):
        if depth > 12 or node is None:
            return None
        if node.get_role() == role and (name is None or node.get_name() == name):
            return node
        for index in range(node.get_child_count()):
            found = self._find(node.get_child_at_index(index), role, name, depth + 1)
            if found is not None:
                return found
        return None

    def switch(self):
        """("on" | "off" | "none", enabled)"""
        on = self.accessible(Atspi.Role.RADIO_BUTTON, "On")
        off = self.accessible(Atspi.Role.RADIO_BUTTON, "Off")
        if on is None or off is None:
            return None
        checked = Atspi.StateType.CHECKED
        selected = "on" if on.get_state_set().contains(checked) else (
            "off" if off.get_state_set().contains(checked) else "none")
        return selected, on.get_state_set().contains(Atspi.StateType.ENABLED)

    def warning_shown(self):
        warning = self.accessible(Atspi.Role.PUSH_BUTTON, "Accessibility Settings…")
        return warning is not None and warning.get_state_set().contains(Atspi.StateType.SHOWING)


def wait(condition, seconds=WAIT):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


class PaneDesktopTest(unittest.TestCase):
    def setUp(self):
        self.bus = Bus()
        self.bus.set_accessibility(True)
        self.hosts = []

    def tearDown(self):
        for host in self.hosts:
            host.close()
        for pid, _ in daemons():
            os.kill(pid, signal.SIGTERM)
        wait(lambda: not daemons())

    def open(self, pane=PANE):
        host = Host(self.bus, pane)
        self.hosts.append(host)
        host.window_origin()
        return host

    def open_running(self):
        """The pane open over a daemon it has launched and pinged since."""
        first = self.open()
        self.assertTrue(wait(lambda: len(daemons()) == 1), "the first showing launches the daemon")
        first.close()
        host = self.open()
        self.assertTrue(wait(lambda: host.switch() == ("on", True)), host.switch())
        return host

    def test_first_showing_launches_the_daemon_from_inside_the_pane(self):
        self.open()
        self.assertTrue(wait(lambda: len(daemons()) == 1))
        (pid, exe), = daemons()
        self.assertEqual(exe, os.path.realpath(PANE) + "/Contents/Resources" + DAEMON_SUFFIX)
        self.assertTrue(self.bus.ping_answered())
        self.assertEqual(login_paths(), [os.path.join(PANE, "Contents/Resources/Tandrel.app")])
        stamp = read_domain("com.corvantix.tandrel")["Tandrel_FirstRun"]
        self.assertEqual(stamp, "1.0.0")

    def test_showing_again_finds_the_running_daemon_and_shows_on(self):
        self.open_running()
        self.assertEqual(len(daemons()), 1, "no second daemon")

    def settle(self):
        """Lets the notices of earlier saves (each showing saves) arrive before counting anew."""
        while True:
            heard = self.bus.heard.count(UPDATE)
            self.bus.pump(1.0)
            if self.bus.heard.count(UPDATE) == heard:
                return

    def test_slider_saves_when_let_go_and_the_daemon_hears_of_it(self):
        host = self.open_running()
        self.settle()
        before = read_domain("com.corvantix.tandrel")["Tandrel_PopupDelay"]
        updates = self.bus.heard.count(UPDATE)
        x, y, width, height = host.places["clickAndHoldTimeSlider"]
        # The handle of 0.48 s on 0.1 to 2.0 s lies a fifth of the way along.
        host.press("clickAndHoldTimeSlider", 0.2 + 6 / width)
        host.drag_by(60)
        self.bus.pump(0.8)
        self.assertEqual(read_domain("com.corvantix.tandrel")["Tandrel_PopupDelay"], before,
                         "nothing is saved while the slider is dragged")
        host.release()
        self.assertTrue(wait(lambda: read_domain("com.corvantix.tandrel")["Tandrel_PopupDelay"]
                             > before + 0.3))
        self.assertTrue(self.bus.wait_for(lambda: self.bus.heard.count(UPDATE) == updates + 1))
        self.bus.pump(1.0)
        self.assertEqual(self.bus.heard.count(UPDATE), updates + 1, "one notice per release")

    def test_off_stops_the_daemon_and_takes_it_off_the_login_list_and_on_brings_both_back(self):
        host = self.open_running()
        host.click("switchOffRadio", 0.2)
        self.assertTrue(wait(lambda: not daemons()), "the daemon ends on the shutdown request")
        self.assertTrue(wait(lambda: login_paths() == []), login_paths())
        host.click("switchOnRadio", 0.2)
        self.assertTrue(wait(lambda: len(daemons()) == 1))
        self.assertTrue(self.bus.ping_answered())
        self.assertEqual(login_paths(), [os.path.join(PANE, "Contents/Resources/Tandrel.app")])
        self.assertEqual(host.switch(), ("on", True))

    def test_assistive_access_off_locks_the_switch_and_on_again_pings_once(self):
        host = self.open_running()
        self.bus.set_accessibility(False)
        self.assertTrue(wait(lambda: host.switch() == ("off", False)), host.switch())
        self.assertTrue(wait(host.warning_shown))
        self.assertEqual(len(daemons()), 1, "the daemon keeps running")
        self.bus.pump(0.5)
        pings = self.bus.heard.count(PING)
        self.bus.set_accessibility(True)
        self.assertTrue(self.bus.wait_for(lambda: host.switch() == ("on", True)), host.switch())
        self.bus.pump(1.5)
        self.assertEqual(self.bus.heard.count(PING), pings + 1)
        self.assertFalse(host.warning_shown())

    def test_a_newer_pane_over_an_older_daemon_takes_over_after_its_alert(self):
        older = os.path.join(os.environ["HOME"], "older", "Tandrel.app")
        shutil.copytree(os.path.join(PANE, "Contents/Resources/Tandrel.app"), older, symlinks=True)
        subprocess.Popen([older + "/Contents/Linux/Tandrel"], start_new_session=True)
        self.assertTrue(wait(lambda: len(daemons()) == 1))
        write_domain("com.corvantix.tandrel", {"Tandrel_FirstRun": "0.9", "Tandrel_PopupDelay": 0.7})
        host = self.open()
        self.assertTrue(wait(lambda: host.accessible(Atspi.Role.DIALOG, None) is not None
                             or host.accessible(Atspi.Role.ALERT, None) is not None),
                        "the takeover alert")
        self.assertTrue(wait(lambda: not daemons()), "the older daemon has been asked to quit")
        host.key("Return")
        self.assertTrue(wait(lambda: len(daemons()) == 1))
        (pid, exe), = daemons()
        self.assertTrue(exe.startswith(os.path.realpath(PANE)), exe)
        self.assertEqual(read_domain("com.corvantix.tandrel")["Tandrel_FirstRun"], "1.0.0")

    def test_login_items_open_the_listed_daemon_once(self):
        app = os.path.join(PANE, "Contents/Resources/Tandrel.app")
        write_domain("loginwindow", {"AutoLaunchedApplicationDictionary": [
            {"Path": app, "Hide": True}, {"Path": "/nowhere/Gone.app", "Hide": False}]})
        # Not pipes: the daemon inherits the launcher's standard output and error.
        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, "timeout": WAIT}
        self.assertEqual(subprocess.run([LOGIN_ITEMS], **quiet).returncode, 1,
                         "the missing item counts as a failure")
        self.assertEqual(len(daemons()), 1)
        subprocess.run([LOGIN_ITEMS], **quiet)
        self.assertEqual(len(daemons()), 1, "a running daemon is not started twice")
        self.assertTrue(self.bus.ping_answered())


class BrokenPaneTest(unittest.TestCase):
    """A pane that cannot be opened gets an error dialog and a message, and no crash."""

    CASES = {
        "missing": lambda folder: None,
        "no_info": lambda folder: os.makedirs(os.path.join(folder, "Contents")),
        "no_plugin": lambda folder: (
            shutil.copytree(PANE, folder, symlinks=True),
            os.remove(os.path.join(folder, "Contents/Linux/Tandrel_Preference_Pane"))),
        "no_layout": lambda folder: (
            shutil.copytree(PANE, folder, symlinks=True),
            os.remove(os.path.join(folder, "Contents/Resources/TandrelPref.ui"))),
    }

    def test_each_broken_pane(self):
        for case, make in self.CASES.items():
            with self.subTest(case):
                folder = os.path.join(os.environ["HOME"], case + ".prefPane")
                make(folder)
                process = subprocess.Popen([HOST, folder], stderr=subprocess.PIPE, text=True)
                found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                        str(process.pid)], capture_output=True, timeout=WAIT)
                self.assertEqual(found.returncode, 0, "the error dialog is shown")
                subprocess.run(["xdotool", "key", "Return"], check=True)
                _, error = process.communicate(timeout=WAIT)
                self.assertEqual(process.returncode, 1)
                self.assertIn("tandrel-preferences: ", error)
                self.assertIn(folder, error)


if __name__ == "__main__":
    unittest.main()
