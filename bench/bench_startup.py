#!/usr/bin/python3
"""Start-up of the real program under Xvfb with openbox: time from starting the
process to the first page on screen, resident memory then, processor time while
idle; and mupdf's own time to first page on the same file, for reference.

    bench/bench_startup.py [BUILD_DIR]
"""
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
COLOUR = (40, 160, 90)
RUNS = 7


def first_colour_time(screen, start, boxes, timeout=15.0):
    """Seconds from `start` until one of the boxes is all COLOUR on screen."""
    root = screen.screen().root
    deadline = start + timeout
    while time.monotonic() < deadline:
        for (x, y, w, h) in boxes:
            raw = root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
            pixels = [(raw[i + 2], raw[i + 1], raw[i]) for i in range(0, len(raw), 4)]
            if all(dt.near(p, COLOUR, 6) for p in pixels):
                return time.monotonic() - start
        time.sleep(0.001)
    raise RuntimeError("nothing shown")


def wait_cleared(screen, boxes):
    """Waits until none of the boxes shows COLOUR any more (the last run's window is gone)."""
    root = screen.screen().root
    def shown():
        for (x, y, w, h) in boxes:
            raw = root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
            if dt.near((raw[2], raw[1], raw[0]), COLOUR, 6):
                return True
        return False
    dt.wait_for(lambda: not shown(), what="the screen to clear")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def main():
    folder = tempfile.mkdtemp(prefix="krv-bench-")
    pdf = os.path.join(folder, "Documentation.pdf")
    dt.make_pdf(BUILD, pdf, "%02x%02x%02x" % COLOUR, "Documentation", pages=20)
    desk = dt.Desktop()
    screen = xdisplay.Display(desk.display)
    try:
        # Viewer: 923 x 738 from x = 101; the first page fills its width.
        viewer_box = [(400, 500, 8, 8)]
        ours, memory, idle = [], [], []
        for _ in range(RUNS):
            wait_cleared(screen, viewer_box)
            start = time.monotonic()
            p = subprocess.Popen([os.path.join(BUILD, "krv_pdf")], cwd=folder, env=desk.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            ours.append(first_colour_time(screen, start, viewer_box))
            memory.append(rss_mib(p.pid))
            time.sleep(1)
            before = cpu_seconds(p.pid)
            time.sleep(5)
            idle.append(cpu_seconds(p.pid) - before)
            p.kill()
            p.wait()
        theirs = []
        grid = [(x, y, 4, 4) for x in range(100, 1000, 150) for y in range(150, 700, 150)]
        if shutil.which("mupdf"):
            for _ in range(RUNS):
                wait_cleared(screen, grid)
                start = time.monotonic()
                p = subprocess.Popen(["mupdf", pdf], env=desk.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
                theirs.append(first_colour_time(screen, start, grid))
                p.kill()
                p.wait()
        # Long documents: the first page of 1 and of 500 pages, for both programs.
        long_docs = {}
        for pages in (1, 500):
            sub = os.path.join(folder, "d%d" % pages)
            os.makedirs(sub)
            dt.make_pdf(BUILD, os.path.join(sub, "Documentation.pdf"), "%02x%02x%02x" % COLOUR, "Doc", pages=pages)
            mine, other = [], []
            for _ in range(5):
                wait_cleared(screen, viewer_box)
                start = time.monotonic()
                p = subprocess.Popen([os.path.join(BUILD, "krv_pdf")], cwd=sub, env=desk.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                mine.append(first_colour_time(screen, start, viewer_box))
                p.kill()
                p.wait()
                if shutil.which("mupdf"):
                    wait_cleared(screen, grid)
                    start = time.monotonic()
                    p = subprocess.Popen(["mupdf", os.path.join(sub, "Documentation.pdf")], env=desk.env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    other.append(first_colour_time(screen, start, grid))
                    p.kill()
                    p.wait()
            long_docs[pages] = (mine, other)
        med = statistics.median
        print("start-up to first page on screen (median of %d):" % RUNS)
        print("  krv_pdf   %6.0f ms (runs: %s)" % (med(ours) * 1000, " ".join("%.0f" % (t * 1000) for t in ours)))
        if theirs:
            goal = 250 + med(theirs) * 1000 / 2
            print("  mupdf     %6.0f ms (runs: %s)" % (med(theirs) * 1000, " ".join("%.0f" % (t * 1000) for t in theirs)))
            print("  goal: 250 ms + half of mupdf's = %.0f ms" % goal)
        for pages, (mine, other) in long_docs.items():
            print("first page of a %d-page document: krv_pdf %.0f ms, mupdf %s" % (
                pages, med(mine) * 1000, "%.0f ms" % (med(other) * 1000) if other else "not installed"))
        print("  krv_pdf 500 pages / 1 page: %.2f" % (med(long_docs[500][0]) / med(long_docs[1][0])))
        print("resident memory with a 20-page document: %.1f MiB (goal 45 MiB)" % med(memory))
        print("processor time over 5 s idle: %.0f ms" % (max(idle) * 1000))
    finally:
        desk.close()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
