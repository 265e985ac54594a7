#!/usr/bin/python3
"""Peak memory with crowded annotations, against mupdf in the same run.

Three one-page PDFs, written here: 100,000 link annotations, each an object of
its own; 100,000 links written directly in the page's one /Annots array; one
note whose text is 20 MB. The links cover the page in a grid and the note the
whole page, so that the pointer over the page's middle is over one of them.

The real krv_pdf shows each as the folder's Documentation.pdf under Xvfb with
openbox; once its first page is on screen and it has done its background work,
the pointer rests on the page (the link's or the note's tooltip), and the
process's peak resident memory (VmHWM) is read. `mutool draw` renders the same
page at 96 dpi; its peak is its maximum resident set size.

    bench/bench_annotations.py [BUILD_DIR]
"""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import desktop as dt  # noqa: E402
from bench_manuals import when_idle  # noqa: E402

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
COUNT = 100_000
NOTE_BYTES = 20 * 1024 * 1024
PAGE = (595, 842)


def write_pdf(path, objects):
    """Objects 1 (catalog), 2 (pages) and 3 (the page) first; bodies as bytes."""
    parts = [b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n"]
    offsets, size = [], len(parts[0])
    for number, body in enumerate(objects, 1):
        chunk = b"%d 0 obj\n%s\nendobj\n" % (number, body)
        offsets.append(size)
        parts.append(chunk)
        size += len(chunk)
    parts.append(b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1))
    parts.extend(b"%010d 00000 n \n" % offset for offset in offsets)
    parts.append(b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, size))
    with open(path, "wb") as f:
        f.write(b"".join(parts))


def page_objects(annotations, extra=()):
    content = b"BT /F1 36 Tf 60 700 Td (Annotations) Tj ET"
    return [b"<< /Type /Catalog /Pages 2 0 R >>",
            b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents 4 0 R "
            b"/Resources << /Font << /F1 5 0 R >> >> /Annots %s >>" % (PAGE + (annotations,)),
            b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content),
            b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"] + list(extra)


def links(direct):
    side = int(COUNT ** 0.5) + 1
    w, h = PAGE[0] / side, PAGE[1] / side
    bodies = [b"<< /Type /Annot /Subtype /Link /Border [0 0 0] /Rect [%.2f %.2f %.2f %.2f] "
              b"/A << /S /URI /URI (https://example.org/page/%d) >> >>" % (
                  (i % side) * w, (i // side) * h, (i % side + 1) * w, (i // side + 1) * h, i)
              for i in range(COUNT)]
    if direct:
        return page_objects(b"[" + b"\n".join(bodies) + b"]")
    first = 6
    array = b"[" + b" ".join(b"%d 0 R" % (first + i) for i in range(COUNT)) + b"]"
    return page_objects(array, bodies)


def long_note():
    words = b"Une note tr\\350s longue, dont le texte ne finit pas. "
    text = (words * (NOTE_BYTES // len(words) + 1))[:NOTE_BYTES]
    note = (b"<< /Type /Annot /Subtype /Text /Name /Comment /Rect [0 0 %d %d] /Contents (%s) >>"
            % (PAGE + (text,)))
    return page_objects(b"[6 0 R]", [note])


def peak_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def krv_peak(desk, folder):
    process = subprocess.Popen([os.path.join(BUILD, "krv_pdf")], cwd=folder, env=desk.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        viewer = desk.viewer(timeout=120)
        when_idle(process.pid)
        # The pointer onto the page's middle, then a little further: its tooltip.
        x, y = viewer[0] + viewer[2] // 2, viewer[1] + viewer[3] // 2
        for dx in (0, 3, 6):
            subprocess.run(["xdotool", "mousemove", str(x + dx), str(y)], env=desk.env)
            time.sleep(0.3)
        time.sleep(1.5)
        when_idle(process.pid)
        alive = process.poll() is None
        return (peak_mib(process.pid) if alive else float("nan")), alive
    finally:
        process.kill()
        process.wait()


def mutool_peak(path):
    process = subprocess.Popen(["mutool", "draw", "-q", "-r", "96", "-o", "/dev/null", "-F", "png",
                                path, "1"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(process.pid, 0)
    return usage.ru_maxrss / 1024.0


def main():
    cases = [("100,000 link annotations, each an object", lambda: links(direct=False)),
             ("100,000 links in one array", lambda: links(direct=True)),
             ("one note of 20 MB", long_note)]
    desk = dt.Desktop()
    try:
        for title, make in cases:
            folder = tempfile.mkdtemp(prefix="krv-annots-")
            try:
                path = os.path.join(folder, "Documentation.pdf")
                write_pdf(path, make())
                krv, alive = krv_peak(desk, folder)
                mupdf = mutool_peak(path) if shutil.which("mutool") else float("nan")
                print("%s (%.1f MB): krv_pdf peak %.0f MiB%s; mutool draw %.0f MiB" % (
                    title, os.path.getsize(path) / 1e6, krv, "" if alive else " (ended)", mupdf))
            finally:
                shutil.rmtree(folder, ignore_errors=True)
    finally:
        desk.close()


if __name__ == "__main__":
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    main()
