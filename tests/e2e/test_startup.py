"""The real program under Xvfb with openbox: the two windows, the host's
document, the start-up's messages, and Esc."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402

RED, BLUE, GREEN = (250, 200, 200), (190, 215, 250), (200, 240, 200)


class StartUp(dt.ProgramTest):
    def setUp(self):
        super().setUp()
        for name, colour in (("Documentation.pdf", RED), ("tarifs_HT.Pdf", BLUE),
                             ("guide_de_saisie.PDF", GREEN)):
            self.add_pdf(name, colour)

    def write_exchange(self, entries, count=None):
        dt.write_exchange(dt.BUILD, os.path.join(self.folder, "W_intlog.wdo"), entries, count)

    def test_windows_side_by_side_and_the_hosts_document(self):
        self.write_exchange([("FICHE:NUM", "12"), ("DOC:FCAIS", "tarifs_HT.Pdf")])
        self.start()
        menu = self.desktop.window(dt.MENU)
        viewer = self.desktop.viewer()
        self.viewer_shows(BLUE)

        def placed():
            m, v = self.desktop.find(dt.MENU), self.desktop.find(dt.is_viewer)
            return m and v and m[:2] == (0, 0) and v[0] == m[0] + m[2] and (m, v)
        # The window manager settles the frames a moment after mapping.
        dt.wait_for(placed, timeout=10, what="the windows to stand side by side")
        menu, viewer = self.desktop.window(dt.MENU), self.desktop.viewer()
        self.assertEqual((menu[0], menu[1]), (0, 0))
        self.assertEqual(viewer[1], 0)
        self.assertEqual(viewer[0], menu[0] + menu[2], "the viewer starts where the menu ends")
        self.assertEqual(menu[2] + viewer[2], 1024)
        self.assertEqual(menu[3], viewer[3], "both windows are 11070 twips high")

    def test_no_exchange_file_shows_documentation(self):
        self.start()
        self.viewer_shows(RED)
        self.assertEqual(os.path.getsize(os.path.join(self.folder, "W_intlog.wdo")), 256)

    def test_bad_count_is_reported_then_documentation_shows(self):
        self.write_exchange([("DOC:FCAIS", "tarifs_HT.Pdf")], count=40000)
        self.start()
        self.desktop.key("Return", window="Aide KRV")
        dt.wait_for(lambda: "Aide KRV" not in self.desktop.windows(), what="the message to close")
        self.viewer_shows(RED)

    def test_escape_ends_with_status_0(self):
        self.write_exchange([("DOC:FCAIS", "guide_de_saisie.PDF")])
        self.start()
        self.viewer_shows(GREEN)
        self.desktop.key("Escape", window=dt.MENU)
        self.assertEqual(self.program.process.wait(10), 0)


class WithoutWindowManager(dt.ProgramTest):
    """No window manager: no frame round the menu window, so it takes its whole
    outer size and stands as high as the viewer, with no gap between them."""
    window_manager = False

    def test_windows_abut_and_are_as_high(self):
        self.add_pdf("Documentation.pdf", RED)
        self.start()
        self.viewer_shows(RED)

        def placed():
            m, v = self.desktop.find(dt.MENU), self.desktop.find(dt.is_viewer)
            return m and v and m[2] == 101 and (m, v)
        menu, viewer = dt.wait_for(placed, timeout=10, what="the menu window at its full size")
        self.assertEqual(menu[:4], (0, 0, 101, 738))
        self.assertEqual(viewer[:4], (101, 0, 923, 738))


class ScaledScreen(dt.ProgramTest):
    """At a scale of 1.5 the frame's 1-pixel borders are fractions of a pixel: the
    menu window and the viewer must still touch, with no dark gap between them."""
    screen = (1536, 1152)
    scale = 1.5

    def test_no_gap_between_the_windows(self):
        self.add_pdf("Documentation.pdf", RED)
        self.start()
        self.viewer_shows(RED)

        def touching():
            m, v = self.desktop.find(dt.MENU), self.desktop.find(dt.is_viewer)
            return m and v and m[0] + m[2] >= v[0] and (m, v)
        menu, viewer = dt.wait_for(touching, timeout=10, what="the windows to touch")
        self.assertLessEqual(menu[0] + menu[2], viewer[0] + 1, "an overlap of a pixel at most")
        shot = self.desktop.screenshot()
        for y in range(viewer[1] + 40, viewer[1] + viewer[3] - 40, 97):
            self.assertNotEqual(shot.getpixel((viewer[0] - 1, y)), (0, 0, 0), "the desktop shows")


if __name__ == "__main__":
    unittest.main()
