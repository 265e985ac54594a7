#!/usr/bin/python3
"""The second start's hand-over, with the real program under Xvfb with openbox: from
starting a second krv_pdf (with another document in the exchange file) to that
document on screen in the help already running, and to the second process's end;
alternating, in the same run, with a fresh start (process start to its first page
on screen). Both include the design's quarter-second display timer.

    bench/bench_hand_over.py [BUILD_DIR]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
import desktop as dt  # noqa: E402
import bench_startup as bs  # noqa: E402

BUILD = bs.BUILD
RUNS = 9
FIRST = ("premier.pdf", (40, 160, 90))
SECOND = ("second.pdf", (200, 70, 60))
VIEWER_BOX = [(400, 500, 8, 8)]  # in the viewer, which the first page fills


def colour_time(screen, start, colour, timeout=15.0):
    bs.COLOUR = colour
    return bs.first_colour_time(screen, start, VIEWER_BOX, timeout)


def main():
    from Xlib import display as xdisplay
    folder = tempfile.mkdtemp(prefix="krv-bench-")
    for name, colour in (FIRST, SECOND):
        dt.make_pdf(BUILD, os.path.join(folder, name), "%02x%02x%02x" % colour, name, pages=20)
    exchange = os.path.join(folder, "W_intlog.wdo")
    program = [os.path.join(BUILD, "krv_pdf")]
    desk = dt.Desktop()
    screen = xdisplay.Display(desk.display)
    fresh, shown, ended = [], [], []
    try:
        for _ in range(RUNS):
            dt.write_exchange(BUILD, exchange, [("DOC:FCAIS", FIRST[0])])
            start = time.monotonic()
            running = subprocess.Popen(program, cwd=folder, env=desk.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            fresh.append(colour_time(screen, start, FIRST[1]))
            time.sleep(1.5)  # the help settled, and beyond the half-second debounce
            dt.write_exchange(BUILD, exchange, [("DOC:FCAIS", SECOND[0])])
            start = time.monotonic()
            second = subprocess.Popen(program, cwd=folder, env=desk.env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            second.wait(10)
            ended.append(time.monotonic() - start)
            if second.returncode != 0:
                raise RuntimeError("the second start ended with status %d" % second.returncode)
            shown.append(colour_time(screen, start, SECOND[1]))
            running.kill()
            running.wait()
            bs.COLOUR = SECOND[1]
            bs.wait_cleared(screen, VIEWER_BOX)
        med = statistics.median
        runs = lambda values: " ".join("%.0f" % (v * 1000) for v in values)  # noqa: E731
        print("second start's hand-over (median of %d, alternating with fresh starts):" % RUNS)
        print("  second process start to its end (status 0)  %5.0f ms (runs: %s)" % (med(ended) * 1000, runs(ended)))
        print("  second process start to its document shown  %5.0f ms (runs: %s)" % (med(shown) * 1000, runs(shown)))
        print("  fresh start to its first page shown         %5.0f ms (runs: %s)" % (med(fresh) * 1000, runs(fresh)))
        print("  hand-over / fresh start: %.2f; of the hand-over, 250 ms are the display timer's"
              % (med(shown) / med(fresh)))
    finally:
        desk.close()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
