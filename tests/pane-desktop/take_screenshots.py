#!/usr/bin/python3
"""Screenshots of the pane in its states for the documentation, on a private headless desktop:

    TANDREL_BUILD=build/linux tests/linux/run-headless.sh tests/pane-desktop/take_screenshots.py docs
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pane_desktop_test import Bus, Host, daemons, wait  # noqa: E402


def shoot(host, path):
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(host.process.pid)],
                            capture_output=True, text=True, check=True).stdout.split()[0]
    # The pointer rests beside the eye, which looks at it.
    x, y = host.point("boundaryBox", -0.6, 1.2)
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
    time.sleep(1.0)
    subprocess.run(["import", "-window", window, path], check=True)


def main(folder):
    bus = Bus()
    bus.set_accessibility(True)
    first = Host(bus)
    first.window_origin()
    wait(lambda: len(daemons()) == 1)
    first.close()
    host = Host(bus)
    host.window_origin()
    bus.wait_for(lambda: host.switch() == ("on", True))
    shoot(host, os.path.join(folder, "pane-on.png"))
    host.click("switchOffRadio", 0.2)
    bus.wait_for(lambda: not daemons())
    shoot(host, os.path.join(folder, "pane-off.png"))
    bus.set_accessibility(False)
    bus.wait_for(lambda: host.switch() == ("off", False))
    bus.wait_for(host.warning_shown)
    bus.pump(0.3)
    shoot(host, os.path.join(folder, "pane-assistive-off.png"))
    host.close()


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "docs")
