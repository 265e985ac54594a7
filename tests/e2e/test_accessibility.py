"""What a screen reader finds in the real program, read over AT-SPI on a desktop
with its own session and accessibility buses: roles and names of the menu, the
viewer's toolbar and the list, pictures that can be pressed, no decoration."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop as dt  # noqa: E402
import screen_reader as sr  # noqa: E402

# In the folder's French order, which the list follows.
NAMES = ["abc.pdf", "Ça_marche.pdf", "Documentation.pdf", "ÉTAT_DES_LIEUX.pdf", "été.pdf", "Xxxx.pdf"]
ROWS = ["Abc", "Ça marche", "Documentation", "ÉTAT DES LIEUX", "Été", "Xxxx"]
TOOLS = ["Page précédente", "Page suivante", "Zoom arrière", "Zoom avant", "Ajuster à la largeur",
         "Page entière", "Rechercher", "Imprimer", "Aperçu avant impression",
         "Revenir à l’endroit précédent", "Aller à l’endroit suivant"]


@unittest.skipUnless(dt.have_tools() and sr.available(), "Xvfb, openbox, xdotool or AT-SPI missing")
class ScreenReader(unittest.TestCase):
    # AT-SPI connects once, to the first bus it sees: one desktop for all the tests.
    @classmethod
    def setUpClass(cls):
        cls.desktop = dt.Desktop()
        cls.addClassCleanup(cls.desktop.close)
        cls.bus = sr.Bus(cls.desktop.env)
        cls.addClassCleanup(cls.bus.close)
        cls.desktop.env = cls.bus.env  # programs register on the accessibility bus
        from gi.repository import Atspi
        cls.Atspi = Atspi

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="krv-a11y-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        for name in NAMES:
            dt.make_pdf(dt.BUILD, os.path.join(self.folder, name), "f0f0f0", name)
        self.program = dt.Program(self.desktop, dt.BUILD, self.folder)
        self.addCleanup(self.program.stop)
        self.app = self.find_app()

    def find_app(self):
        registry = self.Atspi.get_desktop(0)

        def look():
            for i in range(registry.get_child_count()):
                app = registry.get_child_at_index(i)
                # By process: the program of the last test may still be listed.
                if app is not None and app.get_process_id() == self.program.process.pid:
                    return app
            return None
        return dt.wait_for(look, timeout=20, step=0.02, what="the program on the AT-SPI bus")

    def children(self, acc):
        acc.clear_cache()
        return [c for c in (acc.get_child_at_index(i) for i in range(acc.get_child_count()))
                if c is not None]

    def showing(self, acc):
        return acc.get_state_set().contains(self.Atspi.StateType.SHOWING)

    def window(self, name):
        def look():
            return next((w for w in self.children(self.app) if self.showing(w) and w.get_name() == name),
                        None)
        return dt.wait_for(look, timeout=20, what="window %s" % name)

    def find_all(self, acc, role):
        found = [acc] if acc.get_role() == role else []
        for child in self.children(acc):
            found += self.find_all(child, role)
        return found

    def named(self, parent, name):
        return next(c for c in self.children(parent) if c.get_name() == name)

    def press(self, acc):
        names = [acc.get_action_name(i) for i in range(acc.get_n_actions())]
        self.assertIn("Press", names)
        self.assertTrue(acc.do_action(names.index("Press")))

    def test_menu_is_a_frame_of_named_pictures(self):
        R = self.Atspi.Role
        menu = self.window("Aide KRV")
        self.assertEqual(menu.get_role(), R.FRAME)
        self.assertEqual([(c.get_role(), c.get_name()) for c in self.children(menu)],
                         [(R.LABEL, "Aide"), (R.LINK, "Site Web de KRV"),
                          (R.PUSH_BUTTON, "Rechercher une documentation"),
                          (R.PUSH_BUTTON, "Fin"), (R.LABEL, "Touches")])
        glass = self.named(menu, "Rechercher une documentation")
        self.assertEqual(glass.get_description(), "Consultez une documentation disponible (Ctrl+O)")
        self.assertTrue(glass.get_state_set().contains(self.Atspi.StateType.FOCUSABLE))

    def test_viewer_has_a_toolbar(self):
        R = self.Atspi.Role
        viewer = self.window(dt.VIEWER)
        self.assertEqual(viewer.get_role(), R.FRAME)

        def toolbar():
            bars = [b for b in self.find_all(viewer, R.TOOL_BAR) if self.showing(b)]
            return bars[0] if bars else None
        bar = dt.wait_for(toolbar, what="the toolbar")
        self.assertEqual(bar.get_name(), "Outils du document")
        buttons = [b for b in self.children(bar) if b.get_role() == R.PUSH_BUTTON and self.showing(b)]
        self.assertEqual([b.get_name() for b in buttons], TOOLS)
        self.assertEqual(self.named(bar, "Page entière").get_description(), "Page entière (Ctrl+E)")
        fields = [c for c in self.children(bar) if c.get_role() == R.TEXT]
        self.assertEqual([f.get_name() for f in fields], ["Numéro de page"])

    def test_list_is_a_dialog_in_french_order_without_its_border(self):
        R = self.Atspi.Role
        self.press(self.named(self.window("Aide KRV"), "Rechercher une documentation"))
        dialog = self.window(dt.LIST)
        self.assertEqual(dialog.get_role(), R.DIALOG)
        kids = self.children(dialog)
        self.assertNotIn(R.IMAGE, [c.get_role() for c in kids])  # the border is left out
        rows = self.named(dialog, "Documentations disponibles")
        self.assertEqual(rows.get_role(), R.LIST)
        self.assertEqual([c.get_name() for c in self.children(rows)], ROWS)
        self.assertEqual([c.get_name() for c in kids if c.get_role() == R.PUSH_BUTTON],
                         ["Annuler", "Valider"])
        self.press(self.named(dialog, "Annuler"))
        dt.wait_for(lambda: not any(self.showing(w) and w.get_name() == dt.LIST
                                    for w in self.children(self.app)), what="the list to close")
        self.assertIsNone(self.program.process.poll())

    def test_page_text_counts_and_a_choice_are_heard(self):
        R = self.Atspi.Role
        self.program.stop()
        demo = os.path.join(self.folder, "demo")
        subprocess.run([os.path.join(dt.BUILD, "tests", "krv_make_demo"), demo], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.program = dt.Program(self.desktop, dt.BUILD, demo)  # on "Guide de saisie", 4 pages
        self.addCleanup(self.program.stop)
        self.app = self.find_app()
        viewer = self.window(dt.VIEWER)

        def page_text():
            pages = [p for p in self.find_all(viewer, R.DOCUMENT_FRAME)
                     if p.get_name() == "Pages du document"]
            text = pages[0].get_text(0, -1) if pages else ""
            return (pages[0], text) if "suivez les étapes décrites à l’écran" in text else None
        pages, text = dt.wait_for(page_text, what="the page's text")
        self.assertTrue(text.startswith("Guide de saisie"), text[:80])
        # The first character stands where the page shows, inside the viewer.
        box = pages.get_character_extents(0, self.Atspi.CoordType.SCREEN)
        frame = viewer.get_extents(self.Atspi.CoordType.SCREEN)
        self.assertTrue(sr.inside((box.x, box.y, box.width, box.height),
                                  (frame.x, frame.y, frame.width, frame.height)), (box.x, box.y))
        self.assertEqual(pages.get_offset_at_point(box.x + box.width // 2, box.y + box.height // 2,
                                                   self.Atspi.CoordType.SCREEN), 0)
        total = next(c for c in self.find_all(viewer, R.LABEL) if c.get_name() == "Nombre de pages")
        self.assertEqual(total.get_description(), "/ 4")

        self.press(self.named(self.window("Aide KRV"), "Rechercher une documentation"))
        self.window(dt.LIST)
        self.desktop.key("t", "Return", window=dt.LIST)  # the list goes to "Tarifs HT"

        def announced():
            said = [n.get_name() for n in self.find_all(self.window(dt.VIEWER), R.NOTIFICATION)
                    if self.showing(n)]
            return said if "Tarifs HT ouvert" in said else None
        dt.wait_for(announced, what="the announcement")

    def test_pressing_fin_ends_the_help(self):
        self.press(self.named(self.window("Aide KRV"), "Fin"))
        self.assertEqual(self.program.process.wait(10), 0)


if __name__ == "__main__":
    unittest.main()
