"""What a screen reader hears: the texts of the program's windows through AT-SPI,
on a session bus of the test's own. Qt exposes every label, list row and message
box there, so a test reads exactly what is on screen, where it stands."""
import os
import shutil
import subprocess
import unittest

import desktop as dt

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def available():
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi  # noqa: F401
    except (ImportError, ValueError):
        return False
    return os.path.exists(LAUNCHER) and bool(shutil.which("dbus-daemon") and shutil.which("dbus-send"))


class Bus:
    """The accessibility bus on the desktop's session bus, for the programs started
    with `env` (the desktop's). This process reads it too (AT-SPI connects once, to
    the first bus it sees)."""

    def __init__(self, env):
        if "DBUS_SESSION_BUS_ADDRESS" not in env:
            raise unittest.SkipTest("no session bus to read the screen through")
        self.env = dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=self.env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def ready():
            return subprocess.run(
                ["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply", "/org/a11y/bus",
                 "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True).returncode == 0
        dt.wait_for(ready, timeout=20, step=0.1, what="the accessibility bus")
        os.environ["DISPLAY"] = env["DISPLAY"]
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = env["DBUS_SESSION_BUS_ADDRESS"]

    def close(self):
        self.launcher.terminate()
        try:
            self.launcher.wait(5)
        except subprocess.TimeoutExpired:
            self.launcher.kill()


class Node:
    """One accessible object as read at one moment."""

    def __init__(self, role, name, showing, box):
        self.role, self.name, self.showing, self.box = role, name, showing, box

    def __repr__(self):
        return "%s %r%s" % (self.role, self.name, "" if self.showing else " (hidden)")


def _walk(accessible, out, depth=0):
    from gi.repository import Atspi
    if accessible is None or depth > 40:
        return
    try:
        states = accessible.get_state_set()
        extents = accessible.get_extents(Atspi.CoordType.SCREEN)
        out.append(Node(accessible.get_role_name(), accessible.get_name() or "",
                        states.contains(Atspi.StateType.SHOWING),
                        (extents.x, extents.y, extents.width, extents.height)))
        for i in range(accessible.get_child_count()):
            _walk(accessible.get_child_at_index(i), out, depth + 1)
    except Exception:  # a window closed while it was read
        return


def nodes(pid):
    """Every accessible object of the process, read afresh."""
    from gi.repository import Atspi
    desktop = Atspi.get_desktop(0)
    found = []
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
            app.clear_cache()
        except Exception:
            continue
        _walk(app, found)
    return found


def wait_for_text(pid, text, within=None, timeout=20.0):
    """Waits until a showing object of the process is named `text` (and lies inside
    the screen rectangle `within`, when given); returns it."""
    def seen():
        for node in nodes(pid):
            if node.name == text and node.showing and (within is None or inside(node.box, within)):
                return node
        return None
    try:
        return dt.wait_for(seen, timeout=timeout, step=0.2, what=repr(text))
    except AssertionError:
        heard = [n for n in nodes(pid) if n.name and n.showing]
        raise AssertionError("%r never showed; the screen reader hears %r" % (text, heard))


def inside(box, area):
    x, y, w, h = box
    left, top, width, height = area
    return left <= x and top <= y and x + w <= left + width and y + h <= top + height
