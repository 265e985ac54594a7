#!/usr/bin/python3
"""Draws every picture of the program into resources/pictures/.

Run it after changing a drawing (needs python3-pil and the Liberation fonts):
    resources/draw_pictures.py
Each picture is drawn for screens of 1 and 2 device pixels per pixel ("x.png" and
"x@2x.png"); the toolbar's pictures also for 1.5 ("x@1.5x.png"), which screens
set to 150 % use. Pictures are drawn large and scaled down, so edges are smooth
at their real size.
"""
import math
import os
from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "pictures")
FONT_BOLD = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"
WHITE = (255, 255, 255)
NAVY_TEXT = (0, 0, 64)
SCALES = {"": 1, "@2x": 2}
TOOL_SCALES = {"": 1, "@1.5x": 1.5, "@2x": 2}
Z = 8  # supersampling


def font(size):
    return ImageFont.truetype(FONT_BOLD, round(size))


def centred_text(draw, cx, y, text, fnt, fill):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=fnt)
    draw.text((cx - (right - left) / 2 - left, y - top), text, font=fnt, fill=fill)


class Canvas:
    """A picture of w x h design pixels at scale k, drawn Z times larger; u(x) turns
    design pixels into canvas pixels."""

    def __init__(self, w, h, k, mode="RGB", background=WHITE):
        self.w, self.h, self.k = w, h, k
        self.s = Z * k
        self.img = Image.new(mode, (round(w * self.s), round(h * self.s)), background)
        self.d = ImageDraw.Draw(self.img)

    def u(self, *values):
        return [v * self.s for v in values]

    def finish(self):
        return self.img.resize((round(self.w * self.k), round(self.h * self.k)), Image.LANCZOS)


# ---------------------------------------------------------------- buttons 73 x 73
def caption(c, text):
    centred_text(c.d, 36.5 * c.s, 53 * c.s, text, font(14 * c.s), NAVY_TEXT)


def magnifier(c, cx, cy, r, glass=(200, 228, 250)):
    u = c.s
    hx, hy = cx + r * 0.62, cy + r * 0.62
    # the handle first, so that the rim covers its end
    c.d.line([(hx * u, hy * u), ((hx + 13) * u, (hy + 13) * u)], fill=(90, 60, 30), width=round(7 * u))
    c.d.line([((hx + 1) * u, (hy + 1) * u), ((hx + 12) * u, (hy + 12) * u)], fill=(150, 105, 60),
             width=round(3 * u))
    c.d.ellipse([(cx - r) * u, (cy - r) * u, (cx + r) * u, (cy + r) * u], fill=(70, 80, 95))
    ri = r - 3
    c.d.ellipse([(cx - ri) * u, (cy - ri) * u, (cx + ri) * u, (cy + ri) * u], fill=glass)
    c.d.arc([(cx - ri + 3) * u, (cy - ri + 3) * u, (cx + ri - 3) * u, (cy + ri - 3) * u],
            200, 260, fill=WHITE, width=round(2 * u))


def sheet(c, x0, y0, x1, y1, lines=True):
    u = c.s
    fold = 6
    outline = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    c.d.polygon([(x * u, y * u) for x, y in outline], fill=WHITE, outline=(70, 80, 95),
                width=round(1.5 * u))
    c.d.polygon([((x1 - fold) * u, y0 * u), ((x1 - fold) * u, (y0 + fold) * u), (x1 * u, (y0 + fold) * u)],
                fill=(205, 212, 222), outline=(70, 80, 95), width=round(1.2 * u))
    if lines:
        for y in range(y0 + 10, y1 - 3, 5):
            c.d.line([((x0 + 4) * u, y * u), ((x1 - 4) * u, y * u)], fill=(150, 160, 175), width=round(1.5 * u))


def bt_rech(k):
    """The documents of the folder under a magnifying glass: choosing a document,
    not searching a text (the reader's toolbar has the plain glass for that)."""
    c = Canvas(73, 73, k)
    sheet(c, 16, 4, 40, 36, lines=False)
    sheet(c, 10, 9, 34, 41)
    magnifier(c, 40, 26, 13)
    caption(c, "Recher.")
    return c.finish()


def bt_fin(k):
    c = Canvas(73, 73, k)
    u = c.s
    cx, cy, r = 36.5, 24, 20

    def octagon(radius):
        return [((cx + radius * math.cos(math.radians(22.5 + 45 * n))) * u,
                 (cy + radius * math.sin(math.radians(22.5 + 45 * n))) * u) for n in range(8)]
    c.d.polygon(octagon(r), fill=(200, 20, 20))
    c.d.polygon(octagon(r - 2.5), outline=WHITE, width=round(1.5 * u))
    centred_text(c.d, cx * u, (cy - 6) * u, "FIN", font(12 * u), WHITE)
    caption(c, "Fin")
    return c.finish()


def btc_no(k):
    c = Canvas(73, 73, k)
    u = c.s
    cx, cy, a = 36.5, 24, 14
    red = (205, 30, 30)
    for dx in (-1, 1):
        c.d.line([((cx - a) * u, (cy - a * dx) * u), ((cx + a) * u, (cy + a * dx) * u)], fill=red, width=8 * u)
    for x, y in ((cx - a, cy - a), (cx + a, cy + a), (cx - a, cy + a), (cx + a, cy - a)):
        c.d.ellipse([(x - 4) * u, (y - 4) * u, (x + 4) * u, (y + 4) * u], fill=red)
    caption(c, "Annuler")
    return c.finish()


def btc_ok(k):
    c = Canvas(73, 73, k)
    u = c.s
    green = (30, 150, 50)
    pts = [(20, 25), (31, 36), (54, 11)]
    c.d.line([(x * u, y * u) for x, y in pts], fill=green, width=round(9 * u), joint="curve")
    for x, y in (pts[0], pts[2]):
        c.d.ellipse([(x - 4.5) * u, (y - 4.5) * u, (x + 4.5) * u, (y + 4.5) * u], fill=green)
    caption(c, "Valider")
    return c.finish()


# ---------------------------------------------------------------- logo 64 x 48
def logo(k):
    c = Canvas(64, 48, k)
    u = c.s
    c.d.rounded_rectangle([2 * u, 6 * u, 62 * u, 42 * u], radius=8 * u, fill=NAVY_TEXT)
    centred_text(c.d, 32 * u, 13 * u, "KRV", font(20 * u), (255, 255, 0))
    c.d.rounded_rectangle([12 * u, 35 * u, 52 * u, 37 * u], radius=1 * u, fill=(255, 140, 0))
    return c.finish()


# ---------------------------------------------------------------- message picture 48 x 48
def doc_warning(k):
    """Beside a message that a document cannot be shown: a page and a warning sign."""
    c = Canvas(48, 48, k, mode="RGBA", background=(0, 0, 0, 0))
    u = c.s
    sheet(c, 6, 3, 34, 41)
    tri = [(33, 20), (46, 44), (20, 44)]
    c.d.polygon([(x * u, y * u) for x, y in tri], fill=(230, 150, 0), outline=(150, 90, 0))
    c.d.line([(33 * u, 28 * u), (33 * u, 37 * u)], fill=WHITE, width=round(3 * u))
    c.d.ellipse([31.5 * u, 39 * u, 34.5 * u, 42 * u], fill=WHITE)
    return c.finish()


# ---------------------------------------------------------------- icon
def icon(size):
    s = size * Z
    u = s / 32.0  # one pixel of the 32-pixel design
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([2 * u, 1 * u, 29 * u, 30 * u], fill=(200, 20, 20))           # red frame
    d.polygon([(5 * u, 4 * u), (21 * u, 4 * u), (26 * u, 9 * u), (26 * u, 27 * u), (5 * u, 27 * u)],
              fill=WHITE)                                                     # page
    d.polygon([(21 * u, 4 * u), (21 * u, 9 * u), (26 * u, 9 * u)], fill=(210, 210, 210))
    centred_text(d, 13 * u, 5 * u, "KRV", font(int(5 * u)), NAVY_TEXT)
    centred_text(d, 15.5 * u, 9 * u, "?", font(int(14 * u)), (255, 140, 0))
    for y in (21.5, 24):
        d.line([(8 * u, y * u), (23 * u, y * u)], fill=(120, 120, 140), width=max(1, int(1.2 * u)))
    return img.resize((size, size), Image.LANCZOS)


def icon_16():
    """The icon at 16 pixels, set pixel by pixel: the large drawing scaled down
    blurs its "KRV" and its lines into a smudge. The frame, the page with its
    corner turned and a "?" one stroke wide are what stays readable."""
    img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([1, 0, 14, 15], fill=(200, 20, 20))
    d.rectangle([3, 2, 12, 13], fill=WHITE)
    d.polygon([(10, 2), (12, 4), (12, 2)], fill=(200, 20, 20))
    d.polygon([(10, 2), (10, 4), (12, 4)], fill=(200, 200, 200))
    question = [" #### ",
                "##  ##",
                "    ##",
                "   ## ",
                "  ##  ",
                "  ##  ",
                "      ",
                "  ##  "]
    for row, line in enumerate(question):
        for column, mark in enumerate(line):
            if mark == "#":
                img.putpixel((5 + column, 4 + row), (235, 120, 0, 255))
    return img


# ---------------------------------------------------------------- border pieces 32 x 32
LIGHT, DARK = (0xBF, 0xCF, 0xDF), (0x00, 0x50, 0x9F)
NAVY, SLATE = (0x00, 0x3A, 0x75), (0x2B, 0x42, 0x58)
SHADING = [(0xE4, 0xE4, 0xE4), (0xD0, 0xD0, 0xD0), (0xBC, 0xBC, 0xBC), (0xA8, 0xA8, 0xA8)]
RIGHT_SHADOW, BOTTOM_SHADOW = 23, 24  # first column (row) of the drop shadow


def fade(n, start=0x9C, end=0xF7):
    """The shadow, darkest next to the frame and easing out towards near white."""
    return [tuple([round(end - (end - start) * (1 - k / (n - 1)) ** 2)] * 3) for k in range(n)]


def outer_profile():            # left and top edges, by column or row
    p = [WHITE] * 32
    p[2], p[7] = LIGHT, DARK
    return p


def right_profile():            # right edge, by column
    return [WHITE] * 17 + [NAVY] + SHADING + [SLATE] + fade(9)


def bottom_profile():           # bottom edge, by row: the right edge one pixel further out
    return [WHITE] * 18 + [NAVY] + SHADING + [SLATE] + fade(8)


def sample(profile, u):
    """The profile at a position; beyond the piece's far side the corner is outside
    the frame, pure white (the list window cuts that white away)."""
    i = int(math.floor(u))
    return WHITE if i > 31 else profile[max(0, i)]


def mix(a, b, w):
    return tuple(a[i] * (1 - w) + b[i] * w for i in range(3))


def onset(v, start=3.0, end=13.0):
    """0 above `start`, 1 below `end`, smooth between: where a drop shadow begins."""
    t = min(1.0, max(0.0, (v - start) / (end - start)))
    return t * t * (3 - 2 * t)


def corner(column_profile, row_profile, cx, cy, right, bottom, k, shadow_from=None):
    """A rounded corner joining a vertical edge (by column) and a horizontal edge
    (by row), both lines bent round the centre (cx, cy), in 32-pixel units, at scale
    k. shadow_from ("top" or "left") makes the drop shadow begin softly a little
    way along the edge instead of at the window's very edge."""
    n = 8
    size = 32 * k
    img = Image.new("RGB", (size, size))
    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    px, py = (x + (sx + 0.5) / n) / k, (y + (sy + 0.5) / n) / k
                    in_x = px >= cx if right else px < cx
                    in_y = py >= cy if bottom else py < cy
                    if in_x and in_y:
                        dx, dy = abs(px - cx), abs(py - cy)
                        rho = math.hypot(dx, dy)
                        w = math.atan2(dy, dx) / (math.pi / 2)
                        ucol = cx + rho if right else cx - rho
                        urow = cy + rho if bottom else cy - rho
                        c = mix(sample(column_profile, ucol), sample(row_profile, urow), w)
                        depth = ucol if shadow_from == "top" else urow
                    elif not in_y:
                        c = sample(column_profile, px)
                        depth = px
                    else:
                        c = sample(row_profile, py)
                        depth = py
                    if shadow_from == "top" and depth >= RIGHT_SHADOW:
                        c = mix(WHITE, c, onset(py))
                    elif shadow_from == "left" and depth >= BOTTOM_SHADOW:
                        c = mix(WHITE, c, onset(px))
                    for i in range(3):
                        acc[i] += c[i]
            img.putpixel((x, y), tuple(round(v / (n * n)) for v in acc))
    return img


def edge(profile, vertical, k):
    size = 32 * k
    img = Image.new("RGB", (size, size))
    for y in range(size):
        for x in range(size):
            img.putpixel((x, y), profile[x // k] if vertical else profile[y // k])
    return img


def border_pieces(k):
    o, r, b = outer_profile(), right_profile(), bottom_profile()
    return [
        corner(o, o, 14.5, 14.5, False, False, k),                      # 0 top-left
        corner(r, o, 10.5, 14.5, True, False, k, shadow_from="top"),    # 1 top-right
        corner(r, b, 10.5, 11.5, True, True, k),                        # 2 bottom-right
        corner(o, b, 14.5, 11.5, False, True, k, shadow_from="left"),   # 3 bottom-left
        edge(o, True, k),                                               # 4 left
        edge(o, False, k),                                              # 5 top
        edge(r, True, k),                                               # 6 right
        edge(b, False, k),                                              # 7 bottom
    ]


# ---------------------------------------------------------------- toolbar pictures 20 x 20
INK, ACCENT = (50, 60, 75), (0, 80, 159)


def tool(draw_fn, k):
    c = Canvas(20, 20, k, mode="RGBA", background=(0, 0, 0, 0))
    draw_fn(c.d, c.s)
    return c.finish()


def glass(d, z, cx, cy, r, sign=None):
    d.ellipse([(cx - r) * z, (cy - r) * z, (cx + r) * z, (cy + r) * z], outline=INK, width=round(1.8 * z))
    d.line([((cx + r * 0.7) * z, (cy + r * 0.7) * z), ((cx + r + 5) * z, (cy + r + 5) * z)], fill=INK,
           width=round(2.6 * z))
    if sign:
        d.line([((cx - r * 0.5) * z, cy * z), ((cx + r * 0.5) * z, cy * z)], fill=ACCENT, width=round(1.8 * z))
        if sign == "+":
            d.line([(cx * z, (cy - r * 0.5) * z), (cx * z, (cy + r * 0.5) * z)], fill=ACCENT,
                   width=round(1.8 * z))


def page_outline(d, z, box):
    x0, y0, x1, y1 = box
    d.rectangle([x0 * z, y0 * z, x1 * z, y1 * z], fill=WHITE + (255,), outline=INK, width=round(1.4 * z))


def toolbar_icons():
    def prev(d, z):
        d.polygon([(10 * z, 5 * z), (16 * z, 13 * z), (4 * z, 13 * z)], fill=INK)

    def nxt(d, z):
        d.polygon([(10 * z, 15 * z), (16 * z, 7 * z), (4 * z, 7 * z)], fill=INK)

    def fit_width(d, z):
        page_outline(d, z, (4, 2, 16, 18))
        d.line([(5.5 * z, 10 * z), (14.5 * z, 10 * z)], fill=ACCENT, width=round(1.6 * z))
        d.polygon([(5 * z, 10 * z), (8 * z, 7.5 * z), (8 * z, 12.5 * z)], fill=ACCENT)
        d.polygon([(15 * z, 10 * z), (12 * z, 7.5 * z), (12 * z, 12.5 * z)], fill=ACCENT)

    def fit_page(d, z):
        page_outline(d, z, (4, 2, 16, 18))
        d.rectangle([7 * z, 5 * z, 13 * z, 15 * z], outline=ACCENT, width=round(1.4 * z))

    def printer(d, z):
        d.rectangle([6 * z, 2 * z, 14 * z, 8 * z], fill=WHITE + (255,), outline=INK, width=round(1.2 * z))
        d.rounded_rectangle([2 * z, 7 * z, 18 * z, 15 * z], radius=2 * z, fill=INK)
        d.rectangle([6 * z, 12 * z, 14 * z, 18 * z], fill=WHITE + (255,), outline=INK, width=round(1.2 * z))
        d.ellipse([14.5 * z, 9 * z, 16 * z, 10.5 * z], fill=(120, 220, 120))

    def preview(d, z):
        page_outline(d, z, (2, 1, 13, 16))
        for y in (5, 8, 11):
            d.line([(4 * z, y * z), (11 * z, y * z)], fill=(150, 150, 160), width=round(z))
        glass(d, z, 12.5, 12.5, 3.5)

    def outline(d, z):
        for i, y in enumerate((4, 8, 12, 16)):
            x = 3 if i % 2 == 0 else 6
            d.ellipse([x * z, (y - 1) * z, (x + 2) * z, (y + 1) * z], fill=ACCENT)
            d.line([((x + 4) * z, y * z), (17 * z, y * z)], fill=INK, width=round(1.5 * z))

    def back(d, z):  # a bent arrow, as browsers show "back"
        d.line([(16 * z, 14 * z), (16 * z, 10 * z), (6 * z, 10 * z)], fill=INK, width=round(1.8 * z), joint="curve")
        d.polygon([(3 * z, 10 * z), (8 * z, 5.5 * z), (8 * z, 14.5 * z)], fill=ACCENT)

    def forward(d, z):
        d.line([(4 * z, 14 * z), (4 * z, 10 * z), (14 * z, 10 * z)], fill=INK, width=round(1.8 * z), joint="curve")
        d.polygon([(17 * z, 10 * z), (12 * z, 5.5 * z), (12 * z, 14.5 * z)], fill=ACCENT)

    def close(d, z):
        d.line([(5 * z, 5 * z), (15 * z, 15 * z)], fill=INK, width=round(2 * z))
        d.line([(15 * z, 5 * z), (5 * z, 15 * z)], fill=INK, width=round(2 * z))

    return {
        "tool_previous": prev, "tool_next": nxt,
        "tool_zoom_in": lambda d, z: glass(d, z, 8, 8, 5.5, "+"),
        "tool_zoom_out": lambda d, z: glass(d, z, 8, 8, 5.5, "-"),
        "tool_fit_width": fit_width, "tool_fit_page": fit_page,
        "tool_search": lambda d, z: glass(d, z, 8, 8, 5.5),
        "tool_print": printer, "tool_preview": preview, "tool_outline": outline,
        "tool_close": close, "tool_back": back, "tool_forward": forward,
    }


def save_gif(img, path):
    img.convert("RGB").quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE) \
        .save(path, format="GIF")


def main():
    os.makedirs(OUT, exist_ok=True)
    for suffix, k in SCALES.items():
        for name, draw in (("bt_rech", bt_rech), ("bt_fin", bt_fin), ("btc_no", btc_no),
                           ("btc_ok", btc_ok), ("doc_warning", doc_warning)):
            draw(k).save(os.path.join(OUT, name + suffix + ".png"))
        save_gif(logo(k), os.path.join(OUT, "logo%s.gif" % suffix))
        for i, piece in enumerate(border_pieces(k)):
            save_gif(piece, os.path.join(OUT, "ccb%d%s.gif" % (i, suffix)))
    icon32 = icon(32)
    icon32.save(os.path.join(OUT, "icon_32.png"))
    # The second 32 x 32 image: the same drawing in 16 colours, for old displays.
    flat = Image.new("RGB", (32, 32), WHITE)
    flat.paste(icon32, mask=icon32.split()[3])
    flat.quantize(colors=16, dither=Image.Dither.NONE).save(os.path.join(OUT, "icon_32_16c.png"))
    icon_16().save(os.path.join(OUT, "icon_16.png"))
    for size in (48, 64, 128, 256):
        icon(size).save(os.path.join(OUT, "icon_%d.png" % size))
    for suffix, k in TOOL_SCALES.items():
        for name, draw in toolbar_icons().items():
            tool(draw, k).save(os.path.join(OUT, name + suffix + ".png"))


if __name__ == "__main__":
    main()
