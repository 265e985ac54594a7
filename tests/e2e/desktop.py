"""A real X server with a window manager, and the means to look at it as a person
would: windows, their places, the colours on screen, and keys and clicks."""
import os
import random
import shutil
import subprocess
import tempfile
import time
import unittest

from PIL import Image

SCREEN = (1024, 768)
MENU = "© KRV"
VIEWER = "Document PDF"
LIST = "Liste des documentations disponibles"


def is_viewer(name):
    return name == VIEWER


def wait_for(condition, timeout=20.0, step=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    raise AssertionError("timed out waiting for " + what)


def session_bus(folder):
    """A D-Bus session bus with its socket in `folder`, as a desktop session has one
    (without it, Qt's libdbus tries to start one by itself, and leaks when it cannot);
    the process and its address, or (None, None) where D-Bus is not installed."""
    if not shutil.which("dbus-daemon"):
        return None, None
    read, write = os.pipe()
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--address=unix:dir=" + folder,
                               "--print-address=%d" % write],
                              pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        return daemon, f.readline().strip()


def start_x_server(size):
    """Xvfb on a display number drawn at random, and that number once it answers.
    Left to itself Xvfb takes the lowest free number, so tests running side by side
    take a number just given back by another one, whose server may still be closing
    its sockets: the new server is then out of reach."""
    for _ in range(50):
        number = random.randint(100, 30000)
        if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
            continue
        read, write = os.pipe()
        server = subprocess.Popen(
            ["Xvfb", ":%d" % number, "-displayfd", str(write), "-screen", "0", "%dx%dx24" % size,
             "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            said = f.readline().strip()
        if said:
            return server, ":" + said
        server.wait()  # the number was taken meanwhile: another one
    raise AssertionError("no X server could start")


class Desktop:
    """Xvfb (1024 x 768 unless told) with openbox (unless told not) and a session bus,
    on a display number of its own."""

    def __init__(self, size=SCREEN, window_manager=True):
        self.size = size
        self.xvfb, self.display = start_x_server(size)
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.bus_folder = tempfile.mkdtemp(prefix="krv-bus-")
        self.bus, address = session_bus(self.bus_folder)
        if address:
            self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.wm = None

        def window_manager_ready():
            # Started again if it gave up (it can, when the server is busy starting).
            if self.wm is None or self.wm.poll() is not None:
                self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
            return "_NET_SUPPORTING_WM_CHECK" in self.run(["xprop", "-root"])
        def server_answers():
            return subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                  capture_output=True).returncode == 0
        # A busy machine may hand out the number before clients can reach it.
        wait_for(server_answers, timeout=30, step=0.1, what="the X server " + self.display)
        if window_manager:
            wait_for(window_manager_ready, timeout=30, step=0.2, what="openbox")

    def close(self):
        for p in (self.wm, self.xvfb, self.bus):
            if p is None:
                continue
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(self.bus_folder, ignore_errors=True)

    def run(self, args):
        return subprocess.run(args, env=self.env, capture_output=True, text=True).stdout

    def windows(self):
        """Top-level client windows: name -> (left, top, width, height) of the outer frame,
        then the window id and the screen position of the client area."""
        found = {}
        for wid in self.run(["xdotool", "search", "--onlyvisible", "--name", "."]).split():
            name = self.run(["xdotool", "getwindowname", wid]).strip()
            info = self.run(["xwininfo", "-id", wid])
            geo = {}
            for line in info.splitlines():
                if ":" in line:
                    k, v = line.split(":", 1)
                    geo[k.strip()] = v.strip()
            try:
                x, y = int(geo["Absolute upper-left X"]), int(geo["Absolute upper-left Y"])
                w, h = int(geo["Width"]), int(geo["Height"])
            except (KeyError, ValueError):
                continue  # gone meanwhile
            left = right = top = bottom = 0
            ext = self.run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"])
            if "=" in ext:
                left, right, top, bottom = (int(v) for v in ext.split("=")[1].split(","))
            found[name] = (x - left, y - top, w + left + right, h + top + bottom, wid, x, y)
        return found

    def find(self, name):
        """The window of that name (or that the name test accepts), or None."""
        if callable(name):
            return next((w for n, w in self.windows().items() if name(n)), None)
        return self.windows().get(name)

    def window(self, name, timeout=20.0):
        """The window of that name, or the viewer when the name is `is_viewer`."""
        return wait_for(lambda: self.find(name), timeout,
                        what="the viewer" if callable(name) else "window " + name)

    def viewer(self, timeout=20.0):
        return self.window(is_viewer, timeout)

    def active_window_name(self):
        return self.run(["xdotool", "getactivewindow", "getwindowname"]).strip()

    def screenshot(self):
        path = tempfile.mktemp(suffix=".png")
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        image = Image.open(path).convert("RGB")
        image.load()
        os.unlink(path)
        return image

    def activate(self, name):
        """Gives the focus to the window of that name (or the viewer, for `is_viewer`),
        looked up afresh on each try (a window may be mapped again under a new id)."""
        def attempt():
            found = self.find(name)
            return found and subprocess.run(["xdotool", "windowactivate", "--sync", found[4]],
                                            env=self.env, capture_output=True).returncode == 0
        wait_for(attempt, timeout=10, what="window %s to take the focus" % name)

    def key(self, *keys, window=None):
        """Types keys, into the named window when one is given."""
        if window:
            self.activate(window)
        subprocess.run(["xdotool", "key"] + list(keys), env=self.env, check=True)

    def click(self, x, y):
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], env=self.env, check=True)


def dominant(image, box):
    """The most common colour in a box of the image."""
    counts = image.crop(box).getcolors(maxcolors=1 << 20)
    return max(counts)[1]


def near(a, b, tolerance=14):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def write_exchange(build_dir, path, entries, count=None):
    """Writes an exchange file as the host does, through the tests' one encoder."""
    args = [os.path.join(build_dir, "tests", "krv_make_exchange"), path]
    if count is not None:
        args += ["--count", str(count)]
    args += ["%s=%s" % entry for entry in entries]
    subprocess.run(args, check=True)


class Program:
    """The real krv_pdf, started in a folder on the desktop."""

    def __init__(self, desktop, build_dir, folder):
        self.desktop = desktop
        self.process = subprocess.Popen([os.path.join(build_dir, "krv_pdf")], cwd=folder,
                                        env=desktop.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        return self.process.communicate(timeout=10)[0]


def make_pdf(build_dir, path, colour, title, pages=1):
    subprocess.run([os.path.join(build_dir, "tests", "krv_make_pdf"), path, colour, title, str(pages)],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def have_tools():
    return all(shutil.which(t) for t in ("Xvfb", "openbox", "xdotool", "xprop", "import"))


BUILD = os.environ.get("KRV_BUILD_DIR", "build")


@unittest.skipUnless(have_tools(), "Xvfb, openbox, xdotool or ImageMagick missing")
class ProgramTest(unittest.TestCase):
    """A desktop and a folder of documents for each test; `start` runs krv_pdf there."""

    # What the desktop is made of, for the tests of a class.
    screen = SCREEN
    window_manager = True
    scale = None  # QT_SCALE_FACTOR given to the program

    def setUp(self):
        # Cleanups, not tearDown: they also run when a subclass's setUp fails, so
        # that no X server or program is left behind.
        self.folder = tempfile.mkdtemp(prefix="krv-e2e-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.desktop = Desktop(self.screen, self.window_manager)
        self.addCleanup(self.desktop.close)
        if self.scale:
            self.desktop.env["QT_SCALE_FACTOR"] = str(self.scale)
        self.program = None
        self.addCleanup(self.finish)

    def failed(self):
        result = self._outcome.result
        return any(test is self for test, _ in result.errors + result.failures)

    def finish(self):
        if self.failed():
            shot = os.path.join(os.path.abspath(BUILD), "e2e-failure-%s.png" % self._testMethodName)
            self.desktop.screenshot().save(shot)
            print("screen at the failure: " + shot)
        if self.program:
            output = self.program.stop()
            if self.failed() and output.strip():
                print("krv_pdf said:\n" + output)

    def add_pdf(self, name, colour, pages=1):
        make_pdf(BUILD, os.path.join(self.folder, name),
                 colour if isinstance(colour, str) else "%02x%02x%02x" % colour, name, pages)

    def start(self):
        self.program = Program(self.desktop, BUILD, self.folder)

    def viewer_shows(self, colour, band=(0.5, 1.0)):
        """Waits until the lower part of the viewer (the band, as fractions of its
        height) is mostly of that colour."""
        left, top, width, height = self.desktop.viewer()[:4]
        box = (left + width // 4, top + int(height * band[0]), left + width * 3 // 4,
               top + int(height * band[1]) - 30)
        wait_for(lambda: near(dominant(self.desktop.screenshot(), box), colour),
                 what="the viewer to show %s" % (colour,))
