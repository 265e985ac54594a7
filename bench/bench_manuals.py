#!/usr/bin/python3
"""Two long real manuals: Debian's R reference manual (r-doc-pdf: fullrefman.pdf,
2,415 pages) and the TikZ/PGF manual (texlive-pictures-doc: pgfmanual.pdf, 1,321
pages, 10 MB). They are fetched with apt-get download and unpacked with
dpkg-deb -x into BUILD_DIR/manuals (kept there for the next run, never in the
repository).

For each, the real krv_pdf under Xvfb with openbox, the manual as the folder's
Documentation.pdf: the time from the process's start to its first page on
screen, alternated with a document of that first page alone (cut out with
qpdf, so that the same picture is waited for); small boxes of the page are
polled, never the whole screen. Resident memory two seconds after the first
page, and once the program has done its background work (the text of every
page, the pages' sizes). Then bench_reader, offscreen, searches words in them
two seconds after their first page, with the longest stall of the interface.

    bench/bench_manuals.py [BUILD_DIR]      (KRV_BENCH_RUNS: runs of each, 7 unless set)
"""
import glob
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import desktop as dt  # noqa: E402

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
RUNS = int(os.environ.get("KRV_BENCH_RUNS", "7"))

# package, the manual in it, and the words searched: one whose first page is
# near, one a few hundred pages on, one far in.
MANUALS = [
    ("r-doc-pdf", "usr/share/R/doc/manual/fullrefman.pdf", ["wilcox", "regression", "localvariable"]),
    ("texlive-pictures-doc", "usr/share/doc/texlive-doc/generic/pgf/pgfmanual.pdf",
     ["mindmap", "cylindrical", "beginpurepicture"]),
]


def as_root(args):
    return args if os.getuid() == 0 else ["sudo"] + args


def fetch(package, member, into):
    """The manual's path in `into`, downloaded and unpacked when not there yet."""
    target = os.path.join(into, os.path.basename(member))
    if os.path.exists(target):
        return target
    work = tempfile.mkdtemp(prefix="krv-manual-", dir=into)
    try:
        download = ["apt-get", "download", package]
        if subprocess.run(download, cwd=work).returncode != 0:
            # No package lists yet (a fresh machine): read them, as install-deps does.
            subprocess.run(as_root(["apt-get", "update", "-qq"]), check=True)
            subprocess.run(download, cwd=work, check=True)
        deb = glob.glob(os.path.join(work, package + "_*.deb"))[0]
        unpacked = os.path.join(work, "root")
        subprocess.run(["dpkg-deb", "-x", deb, unpacked], check=True)
        shutil.move(os.path.join(unpacked, member), target)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return target


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def load_average():
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


class Screen:
    """Small boxes of the screen, read through the X server's own protocol."""

    def __init__(self, desk):
        self.x = xdisplay.Display(desk.display)
        self.root = self.x.screen().root

    def pixels(self, box):
        x, y, w, h = box
        raw = self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
        return [(raw[i + 2], raw[i + 1], raw[i]) for i in range(0, len(raw), 4)]

    def shows(self, boxes):
        return all(all(dt.near(a, b, 24) for a, b in zip(self.pixels(box), want))
                   for box, want in boxes)


def start(desk, folder):
    return subprocess.Popen([os.path.join(BUILD, "krv_pdf")], cwd=folder, env=desk.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stop(process):
    process.kill()
    process.wait()


def ink_boxes(desk, screen, folder):
    """Three boxes of the first page where there is ink, with their pixels, once
    the program has shown it whole (this once, a large part of the screen is read)."""
    process = start(desk, folder)
    try:
        viewer = desk.viewer()
        time.sleep(4)
        x, y = viewer[5], viewer[6]
        w, h = viewer[2] - (x - viewer[0]), viewer[3] - (y - viewer[1])
        area = (x, y + 60, w - 40, min(h - 80, 500))  # below the toolbar, beside the scroll bar
        found = []
        side = 6
        for top in range(area[1], area[1] + area[3] - side, 40):
            for left in range(area[0], area[0] + area[2] - side, 16):
                pixels = screen.pixels((left, top, side, side))
                if sum(1 for p in pixels if sum(p) < 300) >= 6:
                    found.append(((left, top, side, side), pixels))
                    break
            if len(found) == 3:
                break
        if len(found) < 3:
            raise RuntimeError("no ink found on the first page of " + folder)
        return found
    finally:
        stop(process)


def first_page_time(desk, screen, folder, boxes, timeout=30.0):
    """Seconds from the process's start to the boxes showing the first page, and the process."""
    dt.wait_for(lambda: not screen.shows(boxes), what="the screen to clear")
    begin = time.monotonic()
    process = start(desk, folder)
    while time.monotonic() < begin + timeout:
        if screen.shows(boxes):
            return time.monotonic() - begin, process
        time.sleep(0.001)
    stop(process)
    raise RuntimeError("the first page never showed in " + folder)


def when_idle(pid, limit=90.0):
    """Waits until the process has used no processor time for two seconds."""
    deadline = time.monotonic() + limit
    before = cpu_seconds(pid)
    while time.monotonic() < deadline:
        time.sleep(2)
        now = cpu_seconds(pid)
        if now - before < 0.02:
            return True
        before = now
    return False


def spread(values, unit="ms", scale=1000.0):
    values = [v * scale for v in values]
    return "%.0f %s (%.0f-%.0f)" % (statistics.median(values), unit, min(values), max(values))


def measure(desk, screen, manual):
    folder = tempfile.mkdtemp(prefix="krv-manual-")
    whole = os.path.join(folder, "long")
    alone = os.path.join(folder, "one")
    os.makedirs(whole)
    os.makedirs(alone)
    os.symlink(manual, os.path.join(whole, "Documentation.pdf"))
    subprocess.run(["qpdf", "--empty", "--pages", manual, "1", "--",
                    os.path.join(alone, "Documentation.pdf")], check=True)
    try:
        boxes = ink_boxes(desk, screen, whole)
        long_times, one_times, memory = [], [], []
        for _ in range(RUNS):
            for where, times in ((alone, one_times), (whole, long_times)):
                seconds, process = first_page_time(desk, screen, where, boxes)
                times.append(seconds)
                if where == whole:
                    time.sleep(2)
                    memory.append(rss_mib(process.pid))
                stop(process)
        # Once, the memory when everything the program does by itself is done.
        _, process = first_page_time(desk, screen, whole, boxes)
        begin = time.monotonic()
        idle = when_idle(process.pid)
        settled = (rss_mib(process.pid), time.monotonic() - begin, idle)
        stop(process)
        return long_times, one_times, memory, settled
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    into = os.path.join(BUILD, "manuals")
    os.makedirs(into, exist_ok=True)
    manuals = [(fetch(package, member, into), words) for package, member, words in MANUALS]
    print("load average at the start: %.2f" % load_average())
    desk = dt.Desktop()
    screen = Screen(desk)
    try:
        for manual, _ in manuals:
            long_times, one_times, memory, settled = measure(desk, screen, manual)
            ratio = statistics.median(long_times) / statistics.median(one_times)
            print("%s, start to first page on screen (%d runs, alternated):" % (
                os.path.basename(manual), RUNS))
            print("  the manual %s; its first page alone %s; ratio of medians %.2f (goal 1.3)" % (
                spread(long_times), spread(one_times), ratio))
            print("  resident memory 2 s after the first page: %s (goal 120 MiB)" % (
                spread(memory, "MiB", 1.0)))
            print("  once idle (%.0f s after the first page%s): %.1f MiB" % (
                settled[1], "" if settled[2] else ", still busy", settled[0]))
    finally:
        desk.close()
    print("load average: %.2f" % load_average())
    # The searches and the stalls, offscreen, in the reader alone.
    args = [os.path.join(BUILD, "bench", "bench_reader")]
    for manual, words in manuals:
        args += [manual] + words
    env = dict(os.environ, KRV_BENCH_RUNS=str(min(RUNS, 3)))
    subprocess.run(args, check=True, env=env, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
