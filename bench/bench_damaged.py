#!/usr/bin/env python3
"""Damaged documents: of damaged variants of real and generated PDFs, how many
the help shows (its opening: qpdf's check and repair, then Qt PDF), how many Qt
PDF alone showed (the help before it checked what it gives Qt PDF), and how many
`mutool draw` draws (package mupdf-tools).

The real PDFs come from Debian's documentation packages (r-doc-pdf, gnuplot-doc,
texlive-lang-arabic: apt-get download and dpkg-deb -x into BUILD_DIR/damaged,
kept there for the next run); the generated ones from the test tools. Each gets
the same damages: cut at 25, 50, 75, 90 and 99 % of its length, an entry of a
/Kids array removed, every offset shifted (bytes inserted after the header), the
cross-reference table (or stream) blanked out, the trailer's /Root spoilt, a
wrong startxref, and a page tree whose root lists itself first. Each variant is
opened in a process of its own under a time limit: Qt PDF alone may hang.

    bench/bench_damaged.py [BUILD_DIR]
"""
import collections
import glob
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
WORK = os.path.join(BUILD, "damaged")
OPEN = os.path.join(BUILD, "bench", "bench_damaged_open")
PACKAGES = ["r-doc-pdf", "gnuplot-doc", "texlive-lang-arabic"]
REAL_COUNT = 25
MAX_SIZE = 8 << 20
TIME_LIMIT = 30


def as_root(args):
    return args if os.getuid() == 0 else ["sudo"] + args


def unpacked():
    """The documentation packages' files, downloaded and unpacked once."""
    root = os.path.join(WORK, "debs")
    done = os.path.join(root, ".done")
    if os.path.exists(done):
        return root
    os.makedirs(root, exist_ok=True)
    work = tempfile.mkdtemp(prefix="krv-debs-", dir=WORK)
    try:
        download = ["apt-get", "download"] + PACKAGES
        if subprocess.run(download, cwd=work).returncode != 0:
            subprocess.run(as_root(["apt-get", "update", "-qq"]), check=True)
            subprocess.run(download, cwd=work, check=True)
        for deb in glob.glob(os.path.join(work, "*.deb")):
            subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    open(done, "w").close()
    return root


def originals():
    """25 real PDFs spread over the packages' sorted list, then 5 generated ones."""
    found = sorted(p for p in glob.glob(os.path.join(unpacked(), "**", "*.pdf"), recursive=True)
                   if os.path.isfile(p) and os.path.getsize(p) <= MAX_SIZE)
    step = max(1, len(found) // REAL_COUNT)
    chosen = found[::step][:REAL_COUNT]
    made = os.path.join(WORK, "generated")
    os.makedirs(made, exist_ok=True)
    tools = os.path.join(BUILD, "tests")
    runs = [
        ("krv_make_pdf", ["multi", "Cinq pages", "5"], "couleurs.pdf"),
        ("krv_make_pdf", ["c8fac8", "Une page"], "vert.pdf"),
        ("krv_make_outline", ["sound", "c8c8fa"], "sommaire.pdf"),
        ("krv_make_manual", ["6", "2"], "manuel.pdf"),
    ]
    for tool, args, name in runs:
        path = os.path.join(made, name)
        order = [path] + args if tool != "krv_make_outline" else [path, args[0], args[1]]
        subprocess.run([os.path.join(tools, tool)] + order, check=True, stdout=subprocess.DEVNULL)
        chosen.append(path)
    demo = os.path.join(made, "demo")
    subprocess.run([os.path.join(tools, "krv_make_demo"), demo], check=True,
                   stdout=subprocess.DEVNULL)
    chosen.append(os.path.join(demo, "Documentation.pdf"))
    return chosen


# ------------------------------------------------------------------ damages
def uncompressed(data):
    """The same document with no object streams, so that its tree can be edited."""
    with tempfile.TemporaryDirectory() as work:
        source, target = os.path.join(work, "a.pdf"), os.path.join(work, "b.pdf")
        with open(source, "wb") as f:
            f.write(data)
        subprocess.run(["qpdf", "--object-streams=disable", "--stream-data=preserve",
                        source, target], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return open(target, "rb").read() if os.path.exists(target) else None


def with_fresh_xref(flat):
    """An uncompressed document edited in place, its cross-reference table made
    again, so that the edit is its only damage."""
    offsets = {int(m.group(1)): m.start(1) for m in re.finditer(rb"(?m)^(\d+) 0 obj", flat)}
    body = flat[:flat.rfind(b"\nxref\n") + 1]
    size = max(offsets) + 1
    rows = b"".join(b"%010d 00000 n \n" % offsets[n] if n in offsets else b"0000000000 65535 f \n"
                    for n in range(1, size))
    trailer = re.search(rb"trailer\s*(<<.*?>>)\s*startxref", flat, re.S).group(1)
    return body + b"xref\n0 %d\n0000000000 65535 f \n%strailer\n%s\nstartxref\n%d\n%%%%EOF\n" % (
        size, rows, trailer, len(body))


def startxref(data):
    found = list(re.finditer(rb"startxref\s+(\d+)", data))
    return found[-1] if found else None


def cut(share):
    return lambda data: data[:int(len(data) * share)]


def kids_entry_removed(data):
    flat = uncompressed(data)
    found = flat and re.search(rb"/Kids\s*\[\s*(\d+\s+\d+\s+R\s*)", flat)
    return found and with_fresh_xref(flat[:found.start(1)] + flat[found.end(1):])


def offsets_shifted(data):
    line = data.find(b"\n") + 1
    return data[:line] + b"%decalage de seize\n"[:16] + data[line:]


def xref_blanked(data):
    found = startxref(data)
    if not found:
        return None
    at = int(found.group(1))
    end = data.find(b"trailer", at) if data[at:at + 4] == b"xref" else data.find(b"endobj", at) + 6
    return data[:at] + b" " * (end - at) + data[end:] if 0 < at < end else None


def trailer_spoilt(data):
    at = data.rfind(b"/Root")
    return data[:at] + b"/Roqt" + data[at + 5:] if at >= 0 else None


def startxref_wrong(data):
    found = startxref(data)
    return found and data[:found.start(1)] + b"%d" % (int(found.group(1)) // 2) + data[found.end(1):]


def tree_lists_itself(data):
    flat = uncompressed(data)
    root = flat and re.search(rb"/Pages\s+(\d+)\s+0\s+R", flat)
    node = root and re.search(rb"(?<!\d)%s\s+0\s+obj" % root.group(1), flat)
    kids = node and re.compile(rb"/Kids\s*\[").search(flat, node.end())
    return kids and with_fresh_xref(flat[:kids.end()] + root.group(1) + b" 0 R " + flat[kids.end():])


DAMAGES = [
    ("cut at 25 %", cut(0.25)), ("cut at 50 %", cut(0.50)), ("cut at 75 %", cut(0.75)),
    ("cut at 90 %", cut(0.90)), ("cut at 99 %", cut(0.99)),
    ("a /Kids entry removed", kids_entry_removed), ("offsets shifted", offsets_shifted),
    ("xref blanked out", xref_blanked), ("trailer's /Root spoilt", trailer_spoilt),
    ("startxref wrong", startxref_wrong), ("page tree lists itself", tree_lists_itself),
]


# ------------------------------------------------------------------ runs
def run(command):
    """'shown', 'refused' or 'hung', the time it took and its message."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    try:
        out, _ = process.communicate(timeout=TIME_LIMIT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()
        return "hung", TIME_LIMIT * 1000.0, ""
    words = out.decode(errors="replace").split(" ", 2)
    if len(words) < 2 or words[0] not in ("shown", "refused"):
        return "refused", 0.0, "exit status %d" % process.returncode
    return words[0], float(words[1]), words[2].strip() if len(words) > 2 else ""


def drawn_by_mutool(path):
    try:
        done = subprocess.run(["mutool", "draw", "-q", "-o", "/dev/null", "-F", "pnm", "-r", "10",
                               path, "1"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=TIME_LIMIT)
        return done.returncode == 0
    except subprocess.TimeoutExpired:
        return False


def main():
    if not shutil.which("mutool"):
        sys.exit("mutool is missing: apt-get install mupdf-tools")
    variants_dir = os.path.join(WORK, "variants")
    shutil.rmtree(variants_dir, ignore_errors=True)
    os.makedirs(variants_dir)
    variants = []
    for number, original in enumerate(originals()):
        data = open(original, "rb").read()
        for kind, damage in DAMAGES:
            damaged = damage(data)
            if not damaged or damaged == data:
                continue
            path = os.path.join(variants_dir, "%02d-%s.pdf" % (number, re.sub(r"\W+", "_", kind)))
            with open(path, "wb") as f:
                f.write(damaged)
            variants.append((kind, original, path))
    print("%d variants of %d documents" % (len(variants), number + 1))
    table = collections.defaultdict(collections.Counter)
    refusals = collections.Counter()
    times = []
    for kind, original, path in variants:
        mutool = drawn_by_mutool(path)
        before = run([OPEN, "--qt-pdf-alone", path])[0]
        after, took, message = run([OPEN, path])
        row = table[kind]
        row["variants"] += 1
        row["mutool draws"] += mutool
        row["Qt PDF alone shows"] += before == "shown"
        row["Qt PDF alone hangs"] += before == "hung"
        row["help shows"] += after == "shown"
        row["help hangs"] += after == "hung"
        row["mutool draws, Qt PDF alone not"] += mutool and before != "shown"
        row["mutool draws, help not"] += mutool and after != "shown"
        if after == "shown":
            times.append(took)
        elif mutool:
            refusals[re.sub(r"\s*:\s*\S+$", "", message)] += 1
    columns = ["variants", "mutool draws", "Qt PDF alone shows", "Qt PDF alone hangs",
               "help shows", "help hangs", "mutool draws, Qt PDF alone not",
               "mutool draws, help not"]
    print("%-24s" % "damage" + "".join("%12s" % c.split(",")[0][:11] for c in columns))
    total = collections.Counter()
    for kind, _ in DAMAGES:
        total.update(table[kind])
        print("%-24s" % kind + "".join("%12d" % table[kind][c] for c in columns))
    print("%-24s" % "all" + "".join("%12d" % total[c] for c in columns))
    for c in columns:
        print("  %-32s %d" % (c, total[c]))
    if times:
        print("help's opening of what it shows: median %.0f ms, slowest %.0f ms"
              % (statistics.median(times), max(times)))
    for message, count in refusals.most_common():
        print("  refused though mutool draws it (%d): %s" % (count, message))


if __name__ == "__main__":
    main()
