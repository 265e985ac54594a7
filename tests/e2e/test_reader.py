"""Reading with the real program: End, a search that finds page 3, and Ctrl+P."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402

# The page colours krv_make_pdf gives with "multi".
PAGE = [(250, 200, 200), (200, 250, 200), (200, 200, 250), (250, 250, 190), (230, 200, 250)]


class Reader(dt.ProgramTest):
    def setUp(self):
        super().setUp()
        self.add_pdf("Documentation.pdf", "multi", pages=5)
        self.start()
        self.viewer_shows(PAGE[0])

    def test_end_shows_the_last_page(self):
        self.desktop.key("End", window=dt.MENU)
        self.viewer_shows(PAGE[4])
        self.desktop.key("Home")
        self.viewer_shows(PAGE[0])

    def test_search_goes_to_the_page_of_the_word(self):
        self.desktop.key("ctrl+f", window=dt.MENU)
        # The search field shows in the viewer, which takes the focus.
        dt.wait_for(lambda: dt.is_viewer(self.desktop.active_window_name()),
                    what="the viewer to take the focus")
        self.desktop.run(["xdotool", "type", "--delay", "30", "REPERE TROIS"])
        self.desktop.key("Return")
        self.viewer_shows(PAGE[2])

    def test_ctrl_p_opens_the_print_dialog(self):
        self.desktop.key("ctrl+p", window=dt.is_viewer)
        dialog = self.desktop.window("Imprimer")
        self.assertGreater(dialog[2], 200)
        self.desktop.key("Escape", window="Imprimer")
        dt.wait_for(lambda: "Imprimer" not in self.desktop.windows(), what="the print dialog to close")
        self.assertIsNone(self.program.process.poll())


if __name__ == "__main__":
    unittest.main()
