"""One help at a time, with the real program: started again in the same folder on
the same display, the help shows the host's new document, comes to
the front, and the second process ends at once with status 0; a help that does not
answer is left alone, the new one starts normally, and the first drops what it
missed; a killed help's socket is replaced, and an ended help removes its own."""
import glob
import os
import shutil
import signal
import sys
import tempfile
import unittest

from Xlib import X, display as xdisplay

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402

FIRST = ("guide_de_saisie.PDF", (250, 220, 160))
SECOND = ("tarifs_HT.Pdf", (190, 215, 250))
THIRD = ("notes_de_version.pdf", (200, 240, 200))


class OneHelp(dt.ProgramTest):
    def setUp(self):
        self.runtime = tempfile.mkdtemp(prefix="krv-run-")  # mode 0700, ours
        self.addCleanup(shutil.rmtree, self.runtime, True)  # once the helps are gone
        super().setUp()
        self.desktop.env["XDG_RUNTIME_DIR"] = self.runtime
        self.add_pdf(*FIRST)
        self.add_pdf(*SECOND)
        self.add_pdf(*THIRD)
        self.ask_for(FIRST[0])
        self.start()
        self.viewer_shows(FIRST[1])

    def ask_for(self, value):
        dt.write_exchange(dt.BUILD, os.path.join(self.folder, "W_intlog.wdo"), [("DOC:FCAIS", value)])

    def start_again(self):
        second = dt.Program(self.desktop, dt.BUILD, self.folder)
        self.addCleanup(second.stop)
        return second

    def sockets(self):
        return glob.glob(os.path.join(self.runtime, "krv_pdf-*"))

    def count(self, name):
        return len(self.desktop.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name]).split())

    def test_a_second_start_shows_its_document_in_the_first_help(self):
        # Another program has the focus when the host starts the help again.
        other = xdisplay.Display(self.desktop.display)
        window = other.screen().root.create_window(300, 200, 300, 200, 0, other.screen().root_depth,
                                                  X.InputOutput, background_pixel=0)
        window.set_wm_name("Fiche Ridaza")
        window.map()
        other.sync()
        self.addCleanup(other.close)
        self.desktop.activate("Fiche Ridaza")

        self.ask_for(SECOND[0])
        second = self.start_again()
        self.assertEqual(second.process.wait(10), 0)
        self.viewer_shows(SECOND[1])
        self.assertEqual(self.count(dt.MENU), 1)
        self.assertEqual(len([n for n in self.desktop.windows() if dt.is_viewer(n)]), 1)
        dt.wait_for(lambda: self.desktop.active_window_name() in (dt.MENU, dt.VIEWER),
                    what="the help to come to the front")
        self.assertIsNone(self.program.process.poll(), "the first help goes on")

    def test_a_help_that_does_not_answer_is_left_alone(self):
        os.kill(self.program.process.pid, signal.SIGSTOP)
        self.addCleanup(os.kill, self.program.process.pid, signal.SIGCONT)
        self.ask_for(SECOND[0])
        second = self.start_again()
        dt.wait_for(lambda: self.count(dt.MENU) == 2, what="the second help's windows")
        self.assertIsNone(second.process.poll(), "the second help runs on its own")
        os.kill(self.program.process.pid, signal.SIGCONT)
        self.assertIsNone(self.program.process.poll(), "the first help is left alone")
        # Resumed, it drops the request whose asker went on alone, and serves the next.
        self.ask_for(THIRD[0])
        third = self.start_again()
        self.assertEqual(third.process.wait(10), 0)
        self.viewer_shows(THIRD[1])  # the first help's, come to the front
        self.assertEqual(self.count(dt.MENU), 2)
        self.assertFalse(self.desktop.find("Aide KRV"), "no message")

    def test_a_killed_helps_socket_is_replaced_and_an_ended_help_removes_its_own(self):
        self.assertEqual(len(self.sockets()), 1)
        self.program.stop()  # killed
        self.assertEqual(len(self.sockets()), 1, "a killed help leaves its socket")
        self.start()
        self.viewer_shows(FIRST[1])
        self.ask_for(SECOND[0])
        self.assertEqual(self.start_again().process.wait(10), 0)
        self.viewer_shows(SECOND[1])
        self.desktop.key("Escape", window=dt.MENU)
        self.assertEqual(self.program.process.wait(10), 0)
        self.assertEqual(self.sockets(), [])


if __name__ == "__main__":
    unittest.main()
