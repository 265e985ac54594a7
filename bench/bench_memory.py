#!/usr/bin/python3
"""Memory of the real krv_pdf under Xvfb with openbox, as the user leaves it: the
resident size (and the proportional size, PSS, which counts shared library pages
once per process sharing them) once the program has been idle for two seconds,

- after paging through a 500-page document of text (bench_reader's), Ctrl+Page
  Down from the first page to the last (goal 64 MiB);
- then after 12 zoom steps, Ctrl++ six times and Ctrl+- six times (goal 64 MiB);
- after Debian's R reference manual (r-doc-pdf, 2,415 pages) has been read
  whole: a word that is not in it searched until the search says so, and the
  program idle (goal 100 MiB).

Each case starts a process of its own, the document as the folder's
Documentation.pdf. The heap and the rest are told apart (RssAnon, RssFile and
RssShmem of /proc/PID/status).

    bench/bench_memory.py [BUILD_DIR]      (KRV_BENCH_RUNS: runs of each, 3 unless set)
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
from bench_manuals import cpu_seconds, fetch, load_average, MANUALS  # noqa: E402

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
RUNS = int(os.environ.get("KRV_BENCH_RUNS", "3"))
ABSENT_WORD = "zqxjkwvy"


def memory(pid):
    """Resident, proportional, heap, file-backed and shared memory, in MiB."""
    status = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, value = line.partition(":")
            if value.strip().endswith("kB"):
                status[key] = int(value.split()[0]) / 1024.0
    pss = 0.0
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            if line.startswith("Pss:"):
                pss = int(line.split()[1]) / 1024.0
    return {"rss": status["VmRSS"], "pss": pss, "anon": status["RssAnon"],
            "file": status["RssFile"], "shmem": status["RssShmem"]}


def idle(pid, quiet=2.0, limit=300.0):
    """Waits until the process has used no processor time for `quiet` seconds."""
    deadline = time.monotonic() + limit
    before = cpu_seconds(pid)
    while time.monotonic() < deadline:
        time.sleep(quiet)
        now = cpu_seconds(pid)
        if now - before < 0.02:
            return
        before = now
    raise RuntimeError("krv_pdf was still busy after %.0f s" % limit)


class Run:
    """krv_pdf showing `document` as the only Documentation.pdf of a folder."""

    def __init__(self, desk, document):
        self.desk = desk
        self.folder = tempfile.mkdtemp(prefix="krv-memory-")
        os.symlink(document, os.path.join(self.folder, "Documentation.pdf"))
        self.process = subprocess.Popen([os.path.join(BUILD, "krv_pdf")], cwd=self.folder,
                                        env=desk.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        desk.viewer(timeout=30)
        desk.activate(dt.is_viewer)
        idle(self.process.pid)

    def keys(self, key, count, delay_ms):
        subprocess.run(["xdotool", "key", "--delay", str(delay_ms), "--repeat", str(count), key],
                       env=self.desk.env, check=True)

    def settled(self):
        idle(self.process.pid)
        return memory(self.process.pid)

    def close(self):
        self.process.kill()
        self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


def paging_and_zooming(desk, document):
    run = Run(desk, document)
    try:
        run.keys("ctrl+Next", 499, 40)
        paged = run.settled()
        run.keys("ctrl+Prior", 250, 10)
        run.keys("ctrl+plus", 6, 300)
        run.keys("ctrl+minus", 6, 300)
        return paged, run.settled()
    finally:
        run.close()


def manual_read(desk, manual):
    run = Run(desk, manual)
    try:
        run.keys("ctrl+f", 1, 0)
        subprocess.run(["xdotool", "type", "--delay", "20", ABSENT_WORD], env=desk.env, check=True)
        run.keys("Return", 1, 0)
        return run.settled()
    finally:
        run.close()


def figures(what, runs, goal):
    def spread(key):
        values = [r[key] for r in runs]
        return "%.1f (%.1f-%.1f)" % (statistics.median(values), min(values), max(values))
    print("%s, %d runs, MiB (goal %d resident):" % (what, len(runs), goal))
    print("  resident %s; PSS %s" % (spread("rss"), spread("pss")))
    print("  of which heap and stacks %s, files %s, shared %s" % (
        spread("anon"), spread("file"), spread("shmem")))


def main():
    into = os.path.join(BUILD, "manuals")
    os.makedirs(into, exist_ok=True)
    package, member, _ = MANUALS[0]
    manual = fetch(package, member, into)
    pages = os.path.join(into, "cinq_cents.pdf")
    if not os.path.exists(pages):
        subprocess.run([os.path.join(BUILD, "bench", "bench_reader"), "--write", pages],
                       check=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    print("load average at the start: %.2f" % load_average())
    desk = dt.Desktop()
    paged, zoomed, read = [], [], []
    try:
        for _ in range(RUNS):
            p, z = paging_and_zooming(desk, pages)
            paged.append(p)
            zoomed.append(z)
            read.append(manual_read(desk, manual))
    finally:
        desk.close()
    figures("500 pages paged through, idle 2 s", paged, 64)
    figures("then 12 zoom steps, idle 2 s", zoomed, 64)
    figures("the R reference manual read whole (%s searched), idle 2 s" % ABSENT_WORD, read, 100)
    print("load average at the end: %.2f" % load_average())


if __name__ == "__main__":
    main()
