"""Links with the real program: a click on a table-of-contents line of a help
document shows the chapter's page; Alt+Left goes back to the table of contents."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402


def parse_colour(text):
    return tuple(int(v) for v in text.split(","))


class Links(dt.ProgramTest):
    def setUp(self):
        super().setUp()
        out = subprocess.run([os.path.join(dt.BUILD, "tests", "krv_make_manual"),
                              os.path.join(self.folder, "Documentation.pdf"), "6", "2"],
                             check=True, capture_output=True, text=True).stdout.splitlines()
        self.contents = parse_colour(out[0].split()[1])
        # Chapter n: the colour of its pages, and of its line in the table of contents.
        self.chapters = {int(n): (parse_colour(page), parse_colour(line))
                         for n, page, line in (row.split() for row in out[1:])}
        self.start()
        self.viewer_shows(self.contents, band=(0.25, 0.35))

    def line_on_screen(self, chapter):
        """The middle of a table-of-contents line, found on screen by its colour."""
        left, top, width, height = self.desktop.viewer()[:4]
        colour = self.chapters[chapter][1]

        def find():
            shot = self.desktop.screenshot()
            rows = [y for y in range(top, top + height, 3)
                    if dt.near(shot.getpixel((left + width // 2, y)), colour, 4)]
            return rows and (left + width // 2, (rows[0] + rows[-1]) // 2)
        return dt.wait_for(find, what="line %d of the table of contents" % chapter)

    def test_a_contents_line_shows_its_chapter_and_alt_left_comes_back(self):
        x, y = self.line_on_screen(3)
        self.desktop.click(x, y)
        self.viewer_shows(self.chapters[3][0], band=(0.1, 1.0))
        self.desktop.key("alt+Left", window=dt.is_viewer)
        self.viewer_shows(self.contents, band=(0.25, 0.35))
        x, y = self.line_on_screen(2)
        self.desktop.click(x, y)
        self.viewer_shows(self.chapters[2][0], band=(0.1, 1.0))
        self.assertIsNone(self.program.process.poll())


if __name__ == "__main__":
    unittest.main()
