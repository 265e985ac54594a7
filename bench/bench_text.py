#!/usr/bin/python3
"""A long manual's whole text: the reader's (bench_reader --text: the text store
of a shown document, the text-reading process beside the pdf thread, as in the
program) against `mutool draw -F txt`, alternated in one run; the ratio of the
medians. Then the far word's first hit two seconds after the first page, with
the longest stall of the interface (bench_reader's manual figures).
The manual is Debian's R reference manual (r-doc-pdf, 2,415 pages), fetched as
bench_manuals.py does.

    bench/bench_text.py [BUILD_DIR]      (KRV_BENCH_RUNS: rounds, 5 unless set)
"""
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
sys.argv[1:] = [BUILD]
import bench_manuals  # noqa: E402  (its fetch, on the same build folder)

RUNS = int(os.environ.get("KRV_BENCH_RUNS", "5"))


def main():
    into = os.path.join(BUILD, "manuals")
    os.makedirs(into, exist_ok=True)
    manual = bench_manuals.fetch("r-doc-pdf", "usr/share/R/doc/manual/fullrefman.pdf", into)
    reader = os.path.join(BUILD, "bench", "bench_reader")
    print("load average at the start: %.2f" % os.getloadavg()[0])
    ours, theirs = [], []
    for _ in range(RUNS):
        start = time.monotonic()
        subprocess.run(["mutool", "draw", "-q", "-F", "txt", "-o", "/dev/null", manual],
                       check=True, stderr=subprocess.DEVNULL)
        theirs.append(time.monotonic() - start)
        out = subprocess.run([reader, "--text", manual], check=True, capture_output=True,
                             text=True).stdout
        ours.append(float(re.search(r"whole text of \d+ pages: (\d+) ms", out).group(1)) / 1000)
    print("whole text: krv %.2f s (%.2f-%.2f), mutool %.2f s (%.2f-%.2f): ratio %.2f (goal 2.5)" % (
        statistics.median(ours), min(ours), max(ours), statistics.median(theirs), min(theirs),
        max(theirs), statistics.median(ours) / statistics.median(theirs)))
    env = dict(os.environ, KRV_BENCH_RUNS=str(min(RUNS, 3)))
    subprocess.run([reader, manual, "localvariable"], check=True, env=env,
                   stderr=subprocess.DEVNULL)
    print("load average at the end: %.2f" % os.getloadavg()[0])


if __name__ == "__main__":
    main()
