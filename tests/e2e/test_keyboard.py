"""Everything the help does, done with the keyboard alone, on a small screen and at
a scale of 2: choosing a document, reading, searching, printing, leaving."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402

PAGE = [(250, 200, 200), (200, 250, 200), (200, 200, 250), (250, 250, 190), (230, 200, 250)]
OTHER = (190, 215, 250)


class KeyboardOnly:
    """The tests, for a desktop that each class below describes."""

    def setUp(self):
        super().setUp()
        self.add_pdf("Documentation.pdf", "multi", pages=5)
        self.add_pdf("tarifs_HT.pdf", OTHER)
        self.start()
        self.viewer_shows(PAGE[0])

    def on_screen(self, name):
        left, top, width, height = self.desktop.window(name)[:4]
        screen_width, screen_height = self.desktop.size
        self.assertTrue(left >= 0 and top >= 0 and left + width <= screen_width + 1
                        and top + height <= screen_height, "%s is off screen" % name)

    def test_every_action_by_keyboard(self):
        self.on_screen(dt.MENU)
        self.on_screen(dt.is_viewer)
        # Reading keys typed in the menu window go to the pages.
        self.desktop.key("End", window=dt.MENU)
        self.viewer_shows(PAGE[4])
        self.desktop.key("Home")
        self.viewer_shows(PAGE[0])
        # The search, from either window.
        self.desktop.key("ctrl+f")
        dt.wait_for(lambda: dt.is_viewer(self.desktop.active_window_name()), what="the search")
        self.desktop.run(["xdotool", "type", "--delay", "30", "repere trois"])
        self.desktop.key("Return")
        self.viewer_shows(PAGE[2])
        self.desktop.key("Escape")
        # Printing opens the print dialog; Esc closes it.
        self.desktop.key("ctrl+p", window=dt.is_viewer)
        self.desktop.window("Imprimer")
        self.desktop.key("Escape", window="Imprimer")
        dt.wait_for(lambda: self.desktop.find("Imprimer") is None, what="the print dialog to close")
        # Another document, from the list that Ctrl+O opens: whole on the screen.
        self.desktop.key("ctrl+o", window=dt.MENU)
        self.on_screen(dt.LIST)
        self.desktop.key("Down", "Return", window=dt.LIST)
        self.viewer_shows(OTHER)
        # Tab to the FIN sign and Enter: the help ends.
        self.desktop.key("Tab", "Tab", "Return", window=dt.MENU)
        self.assertEqual(self.program.process.wait(10), 0)


class SmallScreen(KeyboardOnly, dt.ProgramTest):
    screen = (800, 600)

    def on_screen(self, name):
        # The design's places: the pair overhangs both sides by 112 pixels (openbox
        # keeps a strip of the menu on screen); the list, over the viewer by design
        # (56, 111), is moved whole onto the screen.
        places = {dt.is_viewer: (-11, 0, 923, 738), dt.LIST: (10, 54, 790, 546)}
        if name != dt.MENU:
            self.assertEqual(self.desktop.window(name)[:4], places[name])


class ScaleTwo(KeyboardOnly, dt.ProgramTest):
    screen = (2048, 1536)
    scale = 2


if __name__ == "__main__":
    unittest.main()
