#!/usr/bin/python3
"""Draws every picture of the program into resources/pictures/.

Run it after changing a drawing (needs python3-pil and the Liberation fonts):
    resources/draw_pictures.py
Pictures are drawn large and scaled down, so edges are smooth at their real size.
"""
import math
import os
from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "pictures")
FONT_BOLD = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"
WHITE = (255, 255, 255)


def font(size):
    return ImageFont.truetype(FONT_BOLD, size)


def finish(big, size):
    return big.resize((size, size), Image.LANCZOS)


def centred_text(draw, cx, y, text, fnt, fill):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=fnt)
    draw.text((cx - (right - left) / 2 - left, y - top), text, font=fnt, fill=fill)


# ---------------------------------------------------------------- buttons 73 x 73
S = 8  # drawing scale
B = 73 * S


def button_canvas():
    img = Image.new("RGB", (B, B), WHITE)
    return img, ImageDraw.Draw(img)


def caption(draw, text, colour=(0, 0, 64)):
    centred_text(draw, B / 2, 53 * S, text, font(14 * S), colour)


def bt_rech():
    img, d = button_canvas()
    cx, cy, r = 31 * S, 24 * S, 15 * S
    # handle first, so the rim covers its end
    hx, hy = cx + r * 0.62, cy + r * 0.62
    d.line([(hx, hy), (hx + 13 * S, hy + 13 * S)], fill=(90, 60, 30), width=7 * S)
    d.line([(hx + 1 * S, hy + 1 * S), (hx + 12 * S, hy + 12 * S)], fill=(150, 105, 60), width=3 * S)
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(70, 80, 95))
    ri = r - 3 * S
    d.ellipse([cx - ri, cy - ri, cx + ri, cy + ri], fill=(200, 228, 250))
    # glint on the glass
    d.arc([cx - ri + 3 * S, cy - ri + 3 * S, cx + ri - 3 * S, cy + ri - 3 * S],
          200, 260, fill=WHITE, width=2 * S)
    caption(d, "Recher.")
    return finish(img, 73)


def bt_fin():
    img, d = button_canvas()
    cx, cy, r = B / 2, 24 * S, 20 * S
    octagon = [(cx + r * math.cos(math.radians(22.5 + 45 * k)),
                cy + r * math.sin(math.radians(22.5 + 45 * k))) for k in range(8)]
    d.polygon(octagon, fill=(200, 20, 20))
    ri = r - 2.5 * S
    inner = [(cx + ri * math.cos(math.radians(22.5 + 45 * k)),
              cy + ri * math.sin(math.radians(22.5 + 45 * k))) for k in range(8)]
    d.polygon(inner, outline=WHITE, width=int(1.5 * S))
    centred_text(d, cx, cy - 6 * S, "FIN", font(12 * S), WHITE)
    caption(d, "Fin")
    return finish(img, 73)


def btc_no():
    img, d = button_canvas()
    cx, cy, a = B / 2, 24 * S, 14 * S
    for dx in (-1, 1):
        d.line([(cx - a, cy - a * dx), (cx + a, cy + a * dx)], fill=(205, 30, 30), width=8 * S)
    for x, y in ((cx - a, cy - a), (cx + a, cy + a), (cx - a, cy + a), (cx + a, cy - a)):
        d.ellipse([x - 4 * S, y - 4 * S, x + 4 * S, y + 4 * S], fill=(205, 30, 30))
    caption(d, "Annuler")
    return finish(img, 73)


def btc_ok():
    img, d = button_canvas()
    pts = [(20 * S, 25 * S), (31 * S, 36 * S), (54 * S, 11 * S)]
    d.line(pts, fill=(30, 150, 50), width=9 * S, joint="curve")
    for x, y in (pts[0], pts[2]):
        d.ellipse([x - 4.5 * S, y - 4.5 * S, x + 4.5 * S, y + 4.5 * S], fill=(30, 150, 50))
    caption(d, "Valider")
    return finish(img, 73)


# ---------------------------------------------------------------- logo
def logo():
    w, h = 64 * S, 48 * S
    img = Image.new("RGB", (w, h), WHITE)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([2 * S, 6 * S, 62 * S, 42 * S], radius=8 * S, fill=(0, 0, 64))
    centred_text(d, w / 2, 13 * S, "KRV", font(20 * S), (255, 255, 0))
    d.rounded_rectangle([12 * S, 35 * S, 52 * S, 37 * S], radius=1 * S, fill=(255, 140, 0))
    return img.resize((64, 48), Image.LANCZOS)


# ---------------------------------------------------------------- icon
def icon(size):
    s = size * 8
    u = s / 32.0  # one pixel of the 32-pixel design
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([2 * u, 1 * u, 29 * u, 30 * u], fill=(200, 20, 20))           # red frame
    d.polygon([(5 * u, 4 * u), (21 * u, 4 * u), (26 * u, 9 * u), (26 * u, 27 * u), (5 * u, 27 * u)],
              fill=WHITE)                                                     # page
    d.polygon([(21 * u, 4 * u), (21 * u, 9 * u), (26 * u, 9 * u)], fill=(210, 210, 210))
    centred_text(d, 13 * u, 5 * u, "KRV", font(int(5 * u)), (0, 0, 64))
    centred_text(d, 15.5 * u, 9 * u, "?", font(int(14 * u)), (255, 140, 0))
    for y in (21.5, 24):
        d.line([(8 * u, y * u), (23 * u, y * u)], fill=(120, 120, 140), width=max(1, int(1.2 * u)))
    return img.resize((size, size), Image.LANCZOS)


# ---------------------------------------------------------------- border pieces
LIGHT, DARK = (0xBF, 0xCF, 0xDF), (0x00, 0x50, 0x9F)
NAVY, SLATE = (0x00, 0x3A, 0x75), (0x2B, 0x42, 0x58)
SHADING = [(0xE4, 0xE4, 0xE4), (0xD0, 0xD0, 0xD0), (0xBC, 0xBC, 0xBC), (0xA8, 0xA8, 0xA8)]


def fade(n, start=0x9C, end=0xF7):
    return [tuple([round(start + (end - start) * k / (n - 1))] * 3) for k in range(n)]


def outer_profile():            # left and top edges, by column or row
    p = [WHITE] * 32
    p[2], p[7] = LIGHT, DARK
    return p


def right_profile():            # right edge, by column
    return [WHITE] * 17 + [NAVY] + SHADING + [SLATE] + fade(9)


def bottom_profile():           # bottom edge, by row: the right edge one pixel further out
    return [WHITE] * 18 + [NAVY] + SHADING + [SLATE] + fade(8)


def sample(profile, u):
    return profile[min(31, max(0, int(math.floor(u))))]


def mix(a, b, w):
    return tuple(a[i] * (1 - w) + b[i] * w for i in range(3))


def corner(column_profile, row_profile, cx, cy, right, bottom):
    """A rounded corner joining a vertical edge (by column) and a horizontal edge
    (by row), both lines bent round the centre (cx, cy)."""
    n = 8
    img = Image.new("RGB", (32, 32))
    for y in range(32):
        for x in range(32):
            acc = [0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    px, py = x + (sx + 0.5) / n, y + (sy + 0.5) / n
                    in_x = px >= cx if right else px < cx
                    in_y = py >= cy if bottom else py < cy
                    if in_x and in_y:
                        dx, dy = abs(px - cx), abs(py - cy)
                        rho = math.hypot(dx, dy)
                        w = math.atan2(dy, dx) / (math.pi / 2)
                        ucol = cx + rho if right else cx - rho
                        urow = cy + rho if bottom else cy - rho
                        c = mix(sample(column_profile, ucol), sample(row_profile, urow), w)
                    elif not in_y:
                        c = sample(column_profile, px)
                    else:
                        c = sample(row_profile, py)
                    for i in range(3):
                        acc[i] += c[i]
            img.putpixel((x, y), tuple(round(v / (n * n)) for v in acc))
    return img


def edge(profile, vertical):
    img = Image.new("RGB", (32, 32))
    for y in range(32):
        for x in range(32):
            img.putpixel((x, y), profile[x] if vertical else profile[y])
    return img


def border_pieces():
    o, r, b = outer_profile(), right_profile(), bottom_profile()
    return [
        corner(o, o, 14.5, 14.5, right=False, bottom=False),   # 0 top-left
        corner(r, o, 10.5, 14.5, right=True, bottom=False),    # 1 top-right
        corner(r, b, 10.5, 11.5, right=True, bottom=True),     # 2 bottom-right
        corner(o, b, 14.5, 11.5, right=False, bottom=True),    # 3 bottom-left
        edge(o, vertical=True),                                # 4 left
        edge(o, vertical=False),                               # 5 top
        edge(r, vertical=True),                                # 6 right
        edge(b, vertical=False),                               # 7 bottom
    ]


# ---------------------------------------------------------------- toolbar icons 20 x 20
INK, ACCENT = (50, 60, 75), (0, 80, 159)


def tool(draw_fn):
    z = 8
    img = Image.new("RGBA", (20 * z, 20 * z), (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(img), z)
    return img.resize((20, 20), Image.LANCZOS)


def glass(d, z, cx, cy, r, sign=None):
    d.ellipse([(cx - r) * z, (cy - r) * z, (cx + r) * z, (cy + r) * z], outline=INK, width=int(1.8 * z))
    d.line([((cx + r * 0.7) * z, (cy + r * 0.7) * z), ((cx + r + 5) * z, (cy + r + 5) * z)], fill=INK,
           width=int(2.6 * z))
    if sign:
        d.line([((cx - r * 0.5) * z, cy * z), ((cx + r * 0.5) * z, cy * z)], fill=ACCENT, width=int(1.8 * z))
        if sign == "+":
            d.line([(cx * z, (cy - r * 0.5) * z), (cx * z, (cy + r * 0.5) * z)], fill=ACCENT, width=int(1.8 * z))


def page_outline(d, z, box):
    x0, y0, x1, y1 = box
    d.rectangle([x0 * z, y0 * z, x1 * z, y1 * z], fill=WHITE + (255,), outline=INK, width=int(1.4 * z))


def toolbar_icons():
    def prev(d, z):
        d.polygon([(10 * z, 5 * z), (16 * z, 13 * z), (4 * z, 13 * z)], fill=INK)

    def nxt(d, z):
        d.polygon([(10 * z, 15 * z), (16 * z, 7 * z), (4 * z, 7 * z)], fill=INK)

    def fit_width(d, z):
        page_outline(d, z, (4, 2, 16, 18))
        d.line([(5.5 * z, 10 * z), (14.5 * z, 10 * z)], fill=ACCENT, width=int(1.6 * z))
        d.polygon([(5 * z, 10 * z), (8 * z, 7.5 * z), (8 * z, 12.5 * z)], fill=ACCENT)
        d.polygon([(15 * z, 10 * z), (12 * z, 7.5 * z), (12 * z, 12.5 * z)], fill=ACCENT)

    def fit_page(d, z):
        page_outline(d, z, (4, 2, 16, 18))
        d.rectangle([7 * z, 5 * z, 13 * z, 15 * z], outline=ACCENT, width=int(1.4 * z))

    def printer(d, z):
        d.rectangle([6 * z, 2 * z, 14 * z, 8 * z], fill=WHITE + (255,), outline=INK, width=int(1.2 * z))
        d.rounded_rectangle([2 * z, 7 * z, 18 * z, 15 * z], radius=2 * z, fill=INK)
        d.rectangle([6 * z, 12 * z, 14 * z, 18 * z], fill=WHITE + (255,), outline=INK, width=int(1.2 * z))
        d.ellipse([14.5 * z, 9 * z, 16 * z, 10.5 * z], fill=(120, 220, 120))

    def preview(d, z):
        page_outline(d, z, (2, 1, 13, 16))
        for y in (5, 8, 11):
            d.line([(4 * z, y * z), (11 * z, y * z)], fill=(150, 150, 160), width=z)
        glass(d, z, 12.5, 12.5, 3.5)

    def outline(d, z):
        for i, y in enumerate((4, 8, 12, 16)):
            x = 3 if i % 2 == 0 else 6
            d.ellipse([x * z, (y - 1) * z, (x + 2) * z, (y + 1) * z], fill=ACCENT)
            d.line([((x + 4) * z, y * z), (17 * z, y * z)], fill=INK, width=int(1.5 * z))

    def back(d, z):  # a bent arrow, as browsers show "back"
        d.line([(16 * z, 14 * z), (16 * z, 10 * z), (6 * z, 10 * z)], fill=INK, width=int(1.8 * z), joint="curve")
        d.polygon([(3 * z, 10 * z), (8 * z, 5.5 * z), (8 * z, 14.5 * z)], fill=ACCENT)

    def forward(d, z):
        d.line([(4 * z, 14 * z), (4 * z, 10 * z), (14 * z, 10 * z)], fill=INK, width=int(1.8 * z), joint="curve")
        d.polygon([(17 * z, 10 * z), (12 * z, 5.5 * z), (12 * z, 14.5 * z)], fill=ACCENT)

    def close(d, z):
        d.line([(5 * z, 5 * z), (15 * z, 15 * z)], fill=INK, width=int(2 * z))
        d.line([(15 * z, 5 * z), (5 * z, 15 * z)], fill=INK, width=int(2 * z))

    return {
        "tool_previous": prev, "tool_next": nxt,
        "tool_zoom_in": lambda d, z: glass(d, z, 8, 8, 5.5, "+"),
        "tool_zoom_out": lambda d, z: glass(d, z, 8, 8, 5.5, "-"),
        "tool_fit_width": fit_width, "tool_fit_page": fit_page,
        "tool_search": lambda d, z: glass(d, z, 8, 8, 5.5),
        "tool_print": printer, "tool_preview": preview, "tool_outline": outline,
        "tool_close": close, "tool_back": back, "tool_forward": forward,
    }


def save_gif(img, name):
    img.convert("RGB").quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE) \
        .save(os.path.join(OUT, name), format="GIF")


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, draw in (("bt_rech", bt_rech), ("bt_fin", bt_fin), ("btc_no", btc_no), ("btc_ok", btc_ok)):
        draw().save(os.path.join(OUT, name + ".jpg"), quality=95, subsampling=0)
    save_gif(logo(), "logo.gif")
    for i, piece in enumerate(border_pieces()):
        save_gif(piece, "ccb%d.gif" % i)
    icon32 = icon(32)
    icon32.save(os.path.join(OUT, "icon_32.png"))
    # The second 32 x 32 image: the same drawing in 16 colours, for old displays.
    flat = Image.new("RGB", (32, 32), WHITE)
    flat.paste(icon32, mask=icon32.split()[3])
    flat.quantize(colors=16, dither=Image.Dither.NONE).save(os.path.join(OUT, "icon_32_16c.png"))
    for size in (16, 48, 64, 128, 256):
        icon(size).save(os.path.join(OUT, "icon_%d.png" % size))
    for name, draw in toolbar_icons().items():
        tool(draw).save(os.path.join(OUT, name + ".png"))


if __name__ == "__main__":
    main()
