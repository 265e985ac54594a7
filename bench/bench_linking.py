#!/usr/bin/python3
"""What the libraries the program links cost before `main()`: empty programs linked
against Qt Widgets and Qt PDF (the bare window's floor), then with libcups (the
print queue) and libqpdf (the document's structure) added, each alone and both,
started in turn, round after round. Both bring GnuTLS and its chain, loaded and
initialised before `main()` whether or not the user prints or the structure is read.

    bench/bench_linking.py [ROUNDS]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 40
QT = ["-Wl,--no-as-needed", "-lQt6Widgets", "-lQt6Gui", "-lQt6Core", "-lQt6Pdf"]
VARIANTS = {
    "Qt Widgets + Qt PDF": [],
    "  + libcups": ["-lcups"],
    "  + libqpdf": ["-lqpdf"],
    "  + libcups + libqpdf": ["-lcups", "-lqpdf"],
}


def main():
    folder = tempfile.mkdtemp(prefix="krv-linking-")
    source = os.path.join(folder, "empty.c")
    with open(source, "w") as f:
        f.write("int main(void) { return 0; }\n")
    programs = {}
    for number, (name, libraries) in enumerate(VARIANTS.items()):
        program = os.path.join(folder, "p%d" % number)
        subprocess.run(["cc", source, "-o", program] + QT + libraries, check=True)
        programs[name] = program
    times = {name: [] for name in programs}
    load_before = os.getloadavg()[0]
    for _ in range(ROUNDS):
        for name, program in programs.items():
            start = time.perf_counter()
            subprocess.run([program], check=True)
            times[name].append(time.perf_counter() - start)
    base = statistics.median(times["Qt Widgets + Qt PDF"])
    print("process start to end of an empty main(), median of %d (load %.2f -> %.2f):"
          % (ROUNDS, load_before, os.getloadavg()[0]))
    for name, values in times.items():
        median = statistics.median(values)
        print("  %-24s %6.1f ms  (%+.1f ms)" % (name, median * 1000, (median - base) * 1000))


if __name__ == "__main__":
    main()
