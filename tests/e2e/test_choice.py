"""Choosing another document with the real program: the magnifying glass, or Ctrl+O
or F1 from either window, opens the framed list; Enter or Down Down Enter shows a
document, Esc changes nothing."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402

# In the list's order: doc_installation, Documentation, tarifs_HT.
FILES = (("doc_installation.pdf", (250, 220, 160)), ("Documentation.pdf", (250, 200, 200)),
         ("tarifs_HT.PDF", (190, 215, 250)))
# The magnifying glass, in the menu window's client area (150, 8070 twips, 73 pixels wide).
BT_RECH = (10 + 36, 538 + 36)


class Choice(dt.ProgramTest):
    def setUp(self):
        super().setUp()
        for name, colour in FILES:
            self.add_pdf(name, colour)
        self.start()
        self.viewer_shows(FILES[1][1])  # Documentation.pdf, the default

    def open_list(self):
        menu = self.desktop.window(dt.MENU)
        self.desktop.click(menu[5] + BT_RECH[0], menu[6] + BT_RECH[1])
        dialog = self.desktop.window(dt.LIST)
        return dialog

    def test_enter_shows_the_first_document(self):
        dialog = self.open_list()
        viewer = self.desktop.viewer()
        # Framed and centred over the viewer, 1665 twips from the top.
        self.assertEqual(dialog[1], 111)
        self.assertLessEqual(abs(dialog[0] + dialog[2] / 2 - (viewer[0] + viewer[2] / 2)), 1)
        self.assertEqual((dialog[2], dialog[3]), (790, 546))
        self.desktop.key("Return", window=dt.LIST)
        dt.wait_for(lambda: dt.LIST not in self.desktop.windows(),
                    what="the list to close")
        self.viewer_shows(FILES[0][1])

    def test_down_down_enter_shows_the_third(self):
        self.open_list()
        self.desktop.key("Down", "Down", "Return", window=dt.LIST)
        self.viewer_shows(FILES[2][1])

    def test_escape_leaves_the_viewer_as_it_was(self):
        self.open_list()
        self.desktop.key("Down", "Escape", window=dt.LIST)
        dt.wait_for(lambda: dt.LIST not in self.desktop.windows(),
                    what="the list to close")
        self.viewer_shows(FILES[1][1])
        self.assertIsNone(self.program.process.poll(), "Esc in the list does not end the help")


class ChoiceByKeys(dt.ProgramTest):
    def setUp(self):
        super().setUp()
        for name, colour in FILES:
            self.add_pdf(name, colour)
        self.start()
        self.viewer_shows(FILES[1][1])

    def choose_third(self, keys, window):
        self.desktop.key(*keys, window=window)
        self.desktop.window(dt.LIST)
        self.desktop.key("Down", "Down", "Return", window=dt.LIST)
        self.viewer_shows(FILES[2][1])

    def test_ctrl_o_in_the_viewer(self):
        self.choose_third(["ctrl+o"], dt.is_viewer)

    def test_f1_in_the_menu(self):
        self.choose_third(["F1"], dt.MENU)

    def test_tab_to_the_glass_and_space(self):
        # Tab reaches the glass (the logo had the focus by itself); Space presses it.
        self.choose_third(["Tab", "space"], dt.MENU)


if __name__ == "__main__":
    unittest.main()
