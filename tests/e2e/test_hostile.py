"""Hostile folders: the real program, started in a folder prepared for each row,
under a memory limit. Whatever lies there, it shows its windows, says what is
wrong in French where the design puts it, answers Esc at once with status 0,
and leaves the folder's files as they were."""
import os
import stat
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402
import screen_reader as sr  # noqa: E402

GIB = 1 << 30
# Generous for Qt and a document, far below what reading /dev/zero or a huge file needed.
MEMORY_LIMIT = 2 * GIB
RESIDENT_LIMIT = 1 * GIB
ESC_SECONDS = 1.0

RED, GREEN, BLUE = (250, 200, 200), (200, 240, 200), (190, 215, 250)
LAST_OF_MULTI = (230, 200, 250)  # the fifth page of krv_make_pdf's "multi"
MENU, VIEWER, LIST, BOX = dt.MENU, dt.is_viewer, dt.LIST, "Aide KRV"
# The magnifying glass, in the menu window's client area.
BT_RECH = (10 + 36, 538 + 36)


def special(name, kind):
    return ("«\u00a0%s\u00a0» n’est pas un document mais un fichier spécial (%s)\u00a0; "
            "l’aide ne l’ouvre pas." % (name, kind))


def too_large(name, megabytes):
    return ("Document trop volumineux\u00a0: %s (%s\u00a0Mo\u00a0; l’aide en affiche jusqu’à "
            "256\u00a0Mo)" % (name, megabytes))


FOREIGN = ("Le fichier d’échange W_intlog.wdo ne commence pas par l’en-tête attendu\u00a0; "
           "il n’a pas été modifié.")


def sanitized():
    try:
        with open(os.path.join(dt.BUILD, "CMakeCache.txt")) as f:
            for line in f:  # KRV_SANITIZE:STRING=ON (or thread); OFF when plain
                if line.startswith("KRV_SANITIZE:"):
                    return line.split("=", 1)[1].strip().upper() not in ("", "OFF")
        return False
    except OSError:
        return False


# ------------------------------------------------------------------ preparing rows
def exchange(folder, value):
    dt.write_exchange(dt.BUILD, os.path.join(folder, "W_intlog.wdo"), [("DOC:FCAIS", value)])


def sparse(path, size):
    with open(path, "wb") as f:
        f.truncate(size)


def foreign_record(count):
    return b"#init#" + b" " * 118 + struct.pack("<i", count) + b"h" * 128


class Row:
    """One hostile folder. `prepare(test, folder)` fills it; the program must then
    show `message` in the viewer, or `box` in a message box before the default
    document, or the document in `colour`; `choose` picks from the list by keys.
    `kept` names the files (relative to the folder, or absolute) that must come
    out byte for byte as they went in, and whether they are links."""

    def __init__(self, name, prepare, message=None, box=None, colour=None, choose=None,
                 kept=(), starts=1, as_nobody=False, closed_stderr=False, then=None, act=None,
                 escapes=1, own_home=False, alone=False):
        self.name, self.prepare = name, prepare
        self.message, self.box, self.colour, self.choose = message, box, colour, choose
        self.then = then  # keys typed in the menu window, and the colour the viewer shows then
        self.kept, self.starts = kept, starts
        self.as_nobody, self.closed_stderr = as_nobody, closed_stderr
        # `act(test, process)` starts long work, which Esc (pressed `escapes` times:
        # the first closes a search) must not wait for; `own_home` gives the
        # program a home of its own, without a print system, to print into.
        self.act, self.escapes, self.own_home = act, escapes, own_home
        self.alone = alone  # the program copied away from its qpdf module


def fifo_document(test, folder):
    os.mkfifo(os.path.join(folder, "guide.pdf"))
    exchange(folder, "guide.pdf")


def dev_zero_link(test, folder):
    os.symlink("/dev/zero", os.path.join(folder, "zero.pdf"))
    exchange(folder, "zero.pdf")


def host_dev_zero(test, folder):
    exchange(folder, "../../../../dev/zero")


def sparse_2gib(test, folder):
    sparse(os.path.join(folder, "gros.pdf"), 2 * GIB)
    exchange(folder, "gros.pdf")


def sparse_64gib(test, folder):
    sparse(os.path.join(folder, "enorme.pdf"), 64 * GIB)
    exchange(folder, "enorme.pdf")


def linked_exchange(test, folder):
    target = os.path.join(os.path.dirname(folder), "cible_%s.txt" % os.path.basename(folder))
    with open(target, "wb") as f:
        f.write(b"Bonjour le monde!\n")  # 18 bytes of someone's
    os.symlink(target, os.path.join(folder, "W_intlog.wdo"))
    test.outside = target


def foreign_32766(test, folder):
    with open(os.path.join(folder, "W_intlog.wdo"), "wb") as f:
        f.write(foreign_record(32766))


def read_only_exchange(test, folder):
    test.add_pdf(folder, "guide.pdf", GREEN)
    path = os.path.join(folder, "W_intlog.wdo")
    exchange(folder, "guide.pdf")
    os.chmod(path, 0o444)
    nobody = test.nobody()
    os.chown(path, nobody[0], nobody[1])  # its mode alone forbids writing
    os.chmod(folder, 0o755)               # and the folder is not the user's


def latin1_name(test, folder):
    test.add_pdf(folder, "aide_generale.pdf", BLUE)
    test.add_pdf(folder, "latin.pdf", GREEN)
    os.rename(os.path.join(folder, "latin.pdf").encode(),
              os.path.join(folder.encode(), b"caf\xe9.pdf"))
    exchange(folder, "Documentation.pdf")


def looping_tree(path, colour):
    """One page of `colour` whose page tree's root lists itself first: Qt PDF spun
    for ever loading it, and no other call of it came back."""
    fill = b"%.3f %.3f %.3f rg 0 0 612 792 re f" % tuple(c / 255 for c in colour)
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
               b"<< /Length %d >>\nstream\n%s\nendstream" % (len(fill), fill)]
    out, offsets = b"%PDF-1.4\n", []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n%s\nendobj\n" % (number, body)
    table = b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    out += b"xref\n0 5\n0000000000 65535 f \n%strailer\n<< /Size 5 /Root 1 0 R >>\n" \
           b"startxref\n%d\n%%%%EOF\n" % (table, len(out))
    with open(path, "wb") as f:
        f.write(out)


def loop_shown(test, folder):
    looping_tree(os.path.join(folder, "boucle.pdf"), GREEN)
    exchange(folder, "boucle.pdf")


def loop_beside(test, folder):
    # Read in the background once the first page shows, before the pages asked for next.
    dt.make_pdf(dt.BUILD, os.path.join(folder, "Documentation.pdf"), "multi", "Cinq", 5)
    looping_tree(os.path.join(folder, "boucle.pdf"), GREEN)
    exchange(folder, "Documentation.pdf")


def repair_under_way(test, folder):
    # A million objects and no trailer: their cross-references are made again for
    # seconds, while Esc is pressed.
    objects = [b"%d 0 obj\n<< /N %d >>\nendobj\n" % (n, n) for n in range(5, 1000000)]
    with open(os.path.join(folder, "abime.pdf"), "wb") as f:
        f.write(b"%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n" + b"".join(objects))
    exchange(folder, "abime.pdf")


def closed_stderr(test, folder):
    exchange(folder, "Documentation.pdf")


ROWS = [
    Row("fifo_document", fifo_document, message=special("guide.pdf", "tube nommé")),
    Row("dev_zero_link", dev_zero_link, message=special("zero.pdf", "périphérique")),
    Row("host_value_dev_zero", host_dev_zero, message=special("zero", "périphérique")),
    Row("sparse_2_gib", sparse_2gib, message=too_large("gros.pdf", "2\u202f048")),
    Row("sparse_64_gib", sparse_64gib, message=too_large("enorme.pdf", "65\u202f536")),
    Row("symlinked_exchange_file", linked_exchange, box=FOREIGN, kept=["W_intlog.wdo", "<outside>"]),
    Row("foreign_count_32766", foreign_32766, box=FOREIGN, kept=["W_intlog.wdo"], starts=2),
    Row("read_only_exchange_file", read_only_exchange, colour=GREEN, kept=["W_intlog.wdo"],
        as_nobody=True),
    Row("latin1_name_chosen", latin1_name, colour=RED, choose=("Café", ["Down", "Return"], GREEN)),
    Row("closed_stderr", closed_stderr, colour=RED, closed_stderr=True),
    Row("page_tree_lists_itself", loop_shown, colour=GREEN),
    Row("page_tree_loop_beside", loop_beside, colour=RED, then=(["End"], LAST_OF_MULTI)),
    Row("repair_under_way", repair_under_way),
    Row("program_without_its_module", lambda test, folder: None, alone=True,
        message="L’aide est mal installée : son module de lecture des documents "
                "(krv_structure_module.so) est introuvable. Réinstallez-la."),
]

def outline(shape):
    """A document whose outline is malformed: it shows, its outline as far as it can."""
    def prepare(test, folder):
        subprocess.run([os.path.join(dt.BUILD, "tests", "krv_make_outline"),
                        os.path.join(folder, "sommaire.pdf"), shape, "%02x%02x%02x" % GREEN],
                       check=True)
        exchange(folder, "sommaire.pdf")
    return prepare


# The outline's hostile documents: a /Next back to the first entry, a /First back to
# its own parent, a chain 30,000 deep (Qt's bookmark model hung or overflowed its stack).
OUTLINE_ROWS = [
    Row("outline_next_loop", outline("next_loop"), colour=GREEN),
    Row("outline_first_to_ancestor", outline("first_to_ancestor"), colour=GREEN),
    Row("outline_30000_deep", outline("deep_30000"), colour=GREEN),
]


def large_pdf(path, megabytes):
    """A page with a line of text over a picture of `megabytes` of zeros."""
    height = (megabytes << 20) // 3072
    content = b"BT /F1 24 Tf 50 700 Td (Une ligne de texte) Tj ET"
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources "
               b"<< /Font << /F1 5 0 R >> /XObject << /Im 6 0 R >> >> >>",
               b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content),
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
               b"<< /Type /XObject /Subtype /Image /Width 1024 /Height %d /ColorSpace /DeviceRGB "
               b"/BitsPerComponent 8 /Length %d >>\nstream\n" % (height, 3072 * height)]
    with open(path, "wb") as f:
        offsets = []
        f.write(b"%PDF-1.4\n")
        for number, body in enumerate(objects, 1):
            offsets.append(f.tell())
            f.write(b"%d 0 obj\n%s" % (number, body))
            if number == len(objects):
                f.write(b"\0" * (3072 * height) + b"\nendstream")
            f.write(b"\nendobj\n")
        xref = f.tell()
        f.write(b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1))
        f.write(b"".join(b"%010d 00000 n \n" % o for o in offsets))
        f.write(b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n"
                % (len(objects) + 1, xref))


def links_to_a_large_pdf(test, folder):
    """30 links to one PDF of 100 MB: read all at once, they would take 3 GB."""
    target = os.path.join(os.path.dirname(folder), "grand_%s.pdf" % os.path.basename(folder))
    large_pdf(target, 100)
    for i in range(30):
        os.symlink(target, os.path.join(folder, "lien_%02d.pdf" % (i + 1)))
    exchange(folder, "Documentation.pdf")


def bytes_read(pid):
    with open("/proc/%d/io" % pid) as f:
        return next(int(line.split()[1]) for line in f if line.startswith("rchar:"))


def search_every_document(test, process):
    test.desktop.key("ctrl+shift+f", window=VIEWER)
    test.desktop.run(["xdotool", "type", "--delay", "30", "ligne"])
    before = bytes_read(process.pid)
    test.desktop.key("Return")
    # Half the documents read (all of them kept, 1.5 GB): Esc comes while it goes on.
    dt.wait_for(lambda: bytes_read(process.pid) - before > 15 * (100 << 20), timeout=60,
                what="the search under way")


def long_document(test, folder):
    dt.make_pdf(dt.BUILD, os.path.join(folder, "Documentation.pdf"), "multi", "Long", 10000)


def print_to_file(test, process):
    test.desktop.key("ctrl+p", window=VIEWER)
    test.desktop.window("Imprimer")
    test.desktop.key("Return", window="Imprimer")  # to a file: there is no printer
    dt.wait_for(lambda: test.desktop.find("Imprimer") is None, what="the pages being copied")


# Long work under way when Esc comes.
BUSY_ROWS = [
    Row("search_in_links_to_a_large_pdf", links_to_a_large_pdf, colour=RED,
        act=search_every_document, escapes=2),
    Row("printing_10000_pages", long_document, colour=RED, act=print_to_file, own_home=True),
]


# ------------------------------------------------------------------ the test
class MemoryWatch(threading.Thread):
    """Ends the program when its resident memory passes the limit (the address-space
    limit cannot be used under AddressSanitizer, which reserves terabytes)."""

    def __init__(self, pid, limit):
        super().__init__(daemon=True)
        self.pid, self.limit, self.peak, self.exceeded = pid, limit, 0, False
        self.stopped = threading.Event()

    def run(self):
        while not self.stopped.wait(0.05):
            try:
                with open("/proc/%d/status" % self.pid) as f:
                    rss = next(int(l.split()[1]) * 1024 for l in f if l.startswith("VmRSS:"))
            except (OSError, StopIteration):
                return
            self.peak = max(self.peak, rss)
            if rss > self.limit:
                self.exceeded = True
                os.kill(self.pid, 9)
                return


@unittest.skipUnless(dt.have_tools() and sr.available(), "Xvfb, openbox, xdotool or AT-SPI missing")
class Hostile(unittest.TestCase):
    """One desktop and one accessibility bus for every row: each row only starts the program."""

    @classmethod
    def setUpClass(cls):
        cls.base = tempfile.mkdtemp(prefix="krv-hostile-")
        os.chmod(cls.base, 0o755)
        cls.desktop = dt.Desktop()
        cls.bus = sr.Bus(cls.desktop.env)
        cls.sanitized = sanitized()

    @classmethod
    def tearDownClass(cls):
        cls.bus.close()
        cls.desktop.close()
        dt.shutil.rmtree(cls.base, ignore_errors=True)

    def setUp(self):
        self.process = None
        self.outside = None
        self.log = None

    def tearDown(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        result = self._outcome.result
        if any(test is self for test, _ in result.errors + result.failures):
            shot = os.path.join(os.path.abspath(dt.BUILD), "e2e-failure-%s.png" % self._testMethodName)
            self.desktop.screenshot().save(shot)
            print("screen at the failure: " + shot)
            if self.log and os.path.exists(self.log):
                with open(self.log, errors="replace") as f:
                    print("krv_pdf said:\n" + f.read()[-3000:])
        # A window left behind by a failed row must not stand in the next one's way.
        for name in (BOX, LIST, MENU, VIEWER):
            dt.wait_for(lambda: self.desktop.find(name) is None, timeout=10,
                        what="the windows of the last row to go")

    # -------------------------------------------------------------- helpers
    def nobody(self):
        import pwd
        try:
            user = pwd.getpwnam("nobody")
        except KeyError:
            self.skipTest("no user \"nobody\" to run the program as")
        return user.pw_uid, user.pw_gid

    def add_pdf(self, folder, name, colour):
        dt.make_pdf(dt.BUILD, os.path.join(folder, name), "%02x%02x%02x" % colour, name)

    def command(self, row):
        command = []
        if not self.sanitized:
            command += ["prlimit", "--as=%d" % MEMORY_LIMIT]
        if row.as_nobody:
            if os.geteuid() != 0:
                pass  # permissions already bind this user
            elif dt.shutil.which("setpriv"):
                self.nobody()
                command += ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"]
            elif dt.shutil.which("runuser"):
                command += ["runuser", "-u", "nobody", "--"]
            else:
                self.skipTest("no way to run the program as an unprivileged user")
        program = os.path.join(os.path.abspath(dt.BUILD), "krv_pdf")
        if row.alone:
            program = dt.shutil.copy2(program, os.path.join(self.base, "krv_pdf"))
        return command + [program]

    def start(self, row, folder):
        env = dict(self.bus.env)
        if self.sanitized:  # AddressSanitizer's own memory limit
            env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":hard_rss_limit_mb=%d" % (
                MEMORY_LIMIT >> 20)
        if row.own_home:
            env["HOME"] = tempfile.mkdtemp(prefix="home-", dir=self.base)
            env["CUPS_SERVER"] = os.path.join(env["HOME"], "no-print-system")
        self.log = os.path.join(self.base, row.name + ".log")
        if row.closed_stderr:
            # Standard output and error on a pipe whose reader is gone; and Qt's
            # platform debug output on, so that it does write there.
            read, write = os.pipe()
            os.close(read)
            env["QT_LOGGING_RULES"] = "qt.qpa.*=true"
            process = subprocess.Popen(self.command(row), cwd=folder, env=env, stdout=write,
                                       stderr=write)
            os.close(write)
        else:
            with open(self.log, "ab") as out:
                process = subprocess.Popen(self.command(row), cwd=folder, env=env, stdout=out,
                                           stderr=subprocess.STDOUT)
        self.process = process
        watch = MemoryWatch(process.pid, RESIDENT_LIMIT if not self.sanitized else MEMORY_LIMIT)
        watch.start()
        return process, watch

    def snapshot(self, folder, names):
        """Bytes and kind of each kept file."""
        taken = {}
        for name in names:
            path = self.outside if name == "<outside>" else os.path.join(folder, name)
            info = os.lstat(path)
            with open(path, "rb") as f:
                taken[name] = (stat.S_ISLNK(info.st_mode), f.read())
        return taken

    def viewer_area(self):
        return self.desktop.window(VIEWER)[:4]

    def viewer_shows(self, colour):
        left, top, width, height = self.viewer_area()
        box = (left + width // 4, top + height // 2, left + width * 3 // 4, top + height - 30)
        dt.wait_for(lambda: dt.near(dt.dominant(self.desktop.screenshot(), box), colour),
                    what="the viewer to show %s" % (colour,))

    def escape_ends(self, process, escapes=1):
        self.desktop.activate(MENU)
        began = time.monotonic()
        self.desktop.key(*["Escape"] * escapes)
        status = process.wait(10)
        took = time.monotonic() - began
        self.assertEqual(status, 0, "Esc ends the help with status 0")
        if not self.sanitized:  # the sanitizers check for leaks at the end, which takes time
            self.assertLess(took, ESC_SECONDS, "Esc answered at once")

    # -------------------------------------------------------------- one row
    def run_row(self, row):
        folder = tempfile.mkdtemp(prefix=row.name + "-", dir=self.base)
        os.chmod(folder, 0o755)
        self.add_pdf(folder, "Documentation.pdf", RED)
        row.prepare(self, folder)
        kept = self.snapshot(folder, row.kept)
        listing = sorted(os.listdir(folder.encode()))
        for _ in range(row.starts):
            process, watch = self.start(row, folder)
            try:
                # The viewer shows first; the menu once start-up is done (after any message).
                self.desktop.window(VIEWER)
                self.look(row, process)
                self.desktop.window(MENU)
            finally:
                watch.stopped.set()
            self.assertFalse(watch.exceeded, "resident memory passed %d MiB" % (watch.limit >> 20))
            self.escape_ends(process, row.escapes)
            self.assertEqual(self.snapshot(folder, row.kept), kept, "the host's files are untouched")
        # Nothing written into the folder but an exchange file, when there was none.
        after = sorted(os.listdir(folder.encode()))
        self.assertEqual([n for n in after if n != b"W_intlog.wdo"],
                         [n for n in listing if n != b"W_intlog.wdo"])

    def look(self, row, process):
        if row.box:
            box = self.desktop.window(BOX)
            sr.wait_for_text(process.pid, row.box, within=box[:4])
            self.desktop.key("Return", window=BOX)
            self.viewer_shows(RED)  # then the default document, as for any start-up failure
        if row.message:
            sr.wait_for_text(process.pid, row.message, within=self.viewer_area())
        if row.colour:
            self.viewer_shows(row.colour)
        if row.choose:
            title, keys, colour = row.choose
            menu = self.desktop.window(MENU)
            self.desktop.click(menu[5] + BT_RECH[0], menu[6] + BT_RECH[1])
            dialog = self.desktop.window(LIST)
            sr.wait_for_text(process.pid, title, within=dialog[:4])
            self.desktop.key(*keys, window=LIST)
            dt.wait_for(lambda: LIST not in self.desktop.windows(), what="the list to close")
            self.viewer_shows(colour)
        if row.then:
            keys, colour = row.then
            self.desktop.key(*keys, window=MENU)
            self.viewer_shows(colour)
        if row.act:
            row.act(self, process)


def make_test(row):
    return lambda self: self.run_row(row)


for _row in ROWS + OUTLINE_ROWS + BUSY_ROWS:
    setattr(Hostile, "test_" + _row.name, make_test(_row))


if __name__ == "__main__":
    unittest.main()
