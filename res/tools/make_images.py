#!/usr/bin/env python3
"""Draws every bitmap the LDX7320 panel ships and writes it into res/images/.

The artwork lives here as code so it can be reviewed and regenerated rather
than edited in a paint program.  Standard library only and deterministic:
running it twice gives byte-identical files, so a diff of res/images/ after a
run shows exactly what a change to this script did.

    python3 res/tools/make_images.py            # writes into res/images/
    python3 res/tools/make_images.py --out DIR  # somewhere else, e.g. to compare

XPM is the main format because Qt reads it natively and it diffs as text.
The icons are also written as one multi-image .ico for the Windows resource
script.  The launchers' icon (res/icons/) is drawn after the 32x32 icon as SVG
and rendered by render_icons.sh.
"""

import argparse
import os
import struct

# --------------------------------------------------------------------------
# Palette.  Everything is drawn in the 16 standard Windows colours so the
# bitmaps look the same on a 4-bit display as on a modern one.

BLACK = (0, 0, 0)
MAROON = (128, 0, 0)
GREEN = (0, 128, 0)
OLIVE = (128, 128, 0)
NAVY = (0, 0, 128)
PURPLE = (128, 0, 128)
TEAL = (0, 128, 128)
SILVER = (192, 192, 192)
GREY = (128, 128, 128)
RED = (255, 0, 0)
LIME = (0, 255, 0)
YELLOW = (255, 255, 0)
BLUE = (0, 0, 255)
FUCHSIA = (255, 0, 255)
AQUA = (0, 255, 255)
WHITE = (255, 255, 255)

# Fixed character per colour, so an XPM's colour table never reshuffles when
# a drawing starts or stops using some colour.
PALETTE = [
    (BLACK, '0'), (MAROON, 'm'), (GREEN, 'g'), (OLIVE, 'o'),
    (NAVY, 'n'), (PURPLE, 'p'), (TEAL, 't'), (SILVER, 's'),
    (GREY, 'd'), (RED, 'r'), (LIME, 'l'), (YELLOW, 'y'),
    (BLUE, 'b'), (FUCHSIA, 'f'), (AQUA, 'a'), (WHITE, '.'),
]
PALETTE_CHAR = dict(PALETTE)


class Canvas:
    """A plain RGB raster; every drawing primitive below writes into one."""

    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the half-open rectangle [x0, x1) x [y0, y1)."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, colour)

    def mask(self, mask, ox, oy, colour):
        for y, row in enumerate(mask):
            for x, on in enumerate(row):
                if on:
                    self.set(ox + x, oy + y, colour)


# --------------------------------------------------------------------------
# Shapes as boolean masks (lists of rows), so one drawing can be mirrored,
# thickened or recoloured before it is placed.

def blank(width, height):
    return [[False] * width for _ in range(height)]


def mirror(mask):
    return [list(reversed(row)) for row in mask]


def inside_convex(poly, x, y):
    """Whether (x, y) lies inside a convex polygon given clockwise in screen
    coordinates (y down); points on an edge count as inside."""
    n = len(poly)
    for i in range(n):
        ax, ay = poly[i]
        bx, by = poly[(i + 1) % n]
        if (bx - ax) * (y - ay) - (by - ay) * (x - ax) < 0:
            return False
    return True


def fill_convex(mask, poly):
    """Sets every mask pixel whose centre lies in the polygon."""
    for y in range(len(mask)):
        for x in range(len(mask[0])):
            if inside_convex(poly, x + 0.5, y + 0.5):
                mask[y][x] = True


def dilate(mask, dx, dy):
    """Thickens strokes by dx pixels to the right and dy pixels down."""
    h, w = len(mask), len(mask[0])
    out = blank(w + dx, h + dy)
    for y in range(h):
        for x in range(w):
            if mask[y][x]:
                for j in range(dy + 1):
                    for i in range(dx + 1):
                        out[y + j][x + i] = True
    return out


# --------------------------------------------------------------------------
# Pixel font: 5x7 capitals and digits (I is narrower), only the characters the
# artwork needs.  '#' is ink.

FONT5X7 = {
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    'I': ["###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'S': [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'X': ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    'Y': ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    '0': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    '2': [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    '3': ["#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."],
    '7': ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
}

# 3x5 digits and capitals for the 16x16 icon, where 5x7 does not fit.
FONT3X5 = {
    'D': ["##.", "#.#", "#.#", "#.#", "##."],
    'L': ["#..", "#..", "#..", "#..", "###"],
    'X': ["#.#", "#.#", ".#.", "#.#", "#.#"],
    '0': ["###", "#.#", "#.#", "#.#", "###"],
    '2': ["##.", "..#", ".#.", "#..", "###"],
    '3': ["##.", "..#", ".#.", "..#", "##."],
    '7': ["###", "..#", ".#.", ".#.", ".#."],
}


def glyph(font, ch, scale=1):
    """One glyph scaled by `scale`.  Where two ink cells meet only at a corner
    the gap between them is filled, so scaled-up diagonals (the strokes of M,
    X, Y, 7, 2) come out as clean slants instead of staircases."""
    rows = font[ch]
    gh, gw = len(rows), len(rows[0])
    ink = [[c == '#' for c in row] for row in rows]

    def on(x, y):
        return 0 <= x < gw and 0 <= y < gh and ink[y][x]

    out = blank(gw * scale, gh * scale)
    for y in range(gh):
        for x in range(gw):
            if ink[y][x]:
                for j in range(scale):
                    for i in range(scale):
                        out[y * scale + j][x * scale + i] = True
    if scale == 1:
        return out
    s = scale
    for y in range(gh):
        for x in range(gw):
            if not ink[y][x]:
                continue
            # Bridge down-right and down-left diagonal neighbours with the
            # convex hull of the two squares.
            if on(x + 1, y + 1) and not on(x + 1, y) and not on(x, y + 1):
                x0, y0 = x * s, y * s
                fill_convex(out, [(x0, y0), (x0 + s, y0), (x0 + 2 * s, y0 + s),
                                  (x0 + 2 * s, y0 + 2 * s), (x0 + s, y0 + 2 * s),
                                  (x0, y0 + s)])
            if on(x - 1, y + 1) and not on(x - 1, y) and not on(x, y + 1):
                x0, y0 = (x - 1) * s, y * s
                fill_convex(out, [(x0 + s, y0), (x0 + 2 * s, y0),
                                  (x0 + 2 * s, y0 + s), (x0 + s, y0 + 2 * s),
                                  (x0, y0 + 2 * s), (x0, y0 + s)])
    return out


def text_masks(font, text, scale, bold=(0, 0)):
    """Masks for each character of `text`; a space yields None."""
    out = []
    for ch in text:
        if ch == ' ':
            out.append(None)
        else:
            out.append(dilate(glyph(font, ch, scale), *bold))
    return out


def text_width(masks, spacing, space):
    w = 0
    for i, m in enumerate(masks):
        w += space if m is None else len(m[0])
        if i + 1 < len(masks) and m is not None and masks[i + 1] is not None:
            w += spacing
    return w


def draw_text(canvas, masks, x, y, spacing, space, colour):
    for i, m in enumerate(masks):
        if m is None:
            x += space
            continue
        canvas.mask(m, x, y, colour)
        x += len(m[0])
        if i + 1 < len(masks) and masks[i + 1] is not None:
            x += spacing
    return x


# --------------------------------------------------------------------------
# Banner: logo mark, maker's name, product name.  White is the background and
# the panel paints it transparent, so the artwork is purple only.

BANNER_W, BANNER_H = 450, 65


def logo_mark(size):
    """A ring with eight short rays around it and an LED (diode triangle,
    cathode bar and a lead through the middle) inside: the maker's mark."""
    m = blank(size, size)
    c = (size - 1) / 2.0
    r_out, r_in = size * 0.33, size * 0.245
    for y in range(size):
        for x in range(size):
            d2 = (x - c) ** 2 + (y - c) ** 2
            if r_in ** 2 <= d2 <= r_out ** 2:
                m[y][x] = True
    # Rays: rectangles along the eight compass directions, rotated by
    # transforming each pixel centre into the ray's frame.
    # Rays taper to a point, like a sun in a signage pictogram.
    ray_from, ray_to = size * 0.36, size * 0.50
    half_in, half_out = size * 0.06, size * 0.01
    diag = 0.7071067811865476
    for ux, uy in ((1, 0), (0, 1), (-1, 0), (0, -1),
                   (diag, diag), (-diag, diag), (-diag, -diag), (diag, -diag)):
        for y in range(size):
            for x in range(size):
                px, py = x - c, y - c
                along = px * ux + py * uy
                across = -px * uy + py * ux
                t = (along - ray_from) / (ray_to - ray_from)
                half = half_in + (half_out - half_in) * t
                if 0.0 <= t <= 1.0 and abs(across) <= half:
                    m[y][x] = True
    # Diode pointing right, centred in the ring: lead, triangle, bar.
    ci = int(round(c))
    lead = max(1, size // 25)
    tri_w = int(size * 0.22)
    tri_h = int(size * 0.14)
    tx0 = ci - tri_w // 2 - lead
    for x in range(int(c - r_in) + 1, int(c + r_in) + 1):
        for t in range(-lead // 2, lead - lead // 2):
            m[ci + t][x] = True
    for i in range(tri_w):
        h = round(tri_h * (tri_w - i) / tri_w)
        for y in range(ci - h, ci + h + 1):
            m[y][tx0 + i] = True
    bx = tx0 + tri_w
    for y in range(ci - tri_h, ci + tri_h + 1):
        for t in range(lead + 1):
            m[y][bx + t] = True
    return m


def make_banner():
    cv = Canvas(BANNER_W, BANNER_H, WHITE)

    mark = logo_mark(56)
    cv.mask(mark, 4, 4, PURPLE)       # rows 4..59, level with the text block

    # The product name is set big and bold (scaled font, thickened strokes);
    # the maker's name above is tracked out to the same width so the two
    # lines form one block.
    big = text_masks(FONT5X7, "LDX7320", 5, bold=(2, 1))
    big_spacing = 7
    big_w = text_width(big, big_spacing, 0)
    small = text_masks(FONT5X7, "LUMADEX MICROSYSTEMS", 2)
    letters = sum(len(m[0]) for m in small if m is not None)
    gaps = sum(1 for i in range(len(small) - 1)
               if small[i] is not None and small[i + 1] is not None)
    space = 10
    spacing = (big_w - letters - space) // gaps
    small_w = text_width(small, spacing, space)
    space += big_w - small_w     # absorb the rounding in the word gap

    x0, top = 72, 4
    draw_text(cv, small, x0, top, spacing, space, PURPLE)
    big_top = top + len(small[0]) + 6
    draw_text(cv, big, x0, big_top, big_spacing, 0, PURPLE)

    # A letterhead rule runs on from the maker's name to the right edge, so
    # the wide banner does not look like it lost its right half.
    rule_x = x0 + big_w + 12
    rule_y = top + len(small[0]) // 2 - 1
    cv.rect(rule_x, rule_y, BANNER_W - 4, rule_y + 2, PURPLE)
    return cv


# --------------------------------------------------------------------------
# Step buttons, 22x17.  One drawing per direction and state, coloured per
# channel.  Lighting comes from the top left: a raised button has white top
# and left edges and dark grey right and bottom; a pressed one the reverse.
# The top-right and bottom-left corner pixels belong to the right/bottom edge.

BTN_W, BTN_H = 22, 17


def button_face(pressed):
    cv = Canvas(BTN_W, BTN_H, SILVER)
    lit, shade = (GREY, WHITE) if pressed else (WHITE, GREY)
    for x in range(BTN_W - 1):
        cv.set(x, 0, lit)
    for y in range(BTN_H - 1):
        cv.set(0, y, lit)
    for x in range(BTN_W):
        cv.set(x, BTN_H - 1, shade)
    for y in range(BTN_H):
        cv.set(BTN_W - 1, y, shade)
    return cv


CHEVRON_H = 9      # rows; the tip is the middle row


def solid_chevron():
    """Filled right-pointing triangle, 5 wide."""
    half = CHEVRON_H // 2
    m = blank(half + 1, CHEVRON_H)
    for y in range(CHEVRON_H):
        for x in range(half + 1 - abs(y - half)):
            m[y][x] = True
    return m


def thin_chevron():
    """Right-pointing '>' with a two-pixel stroke, 6 wide."""
    half = CHEVRON_H // 2
    m = blank(half + 2, CHEVRON_H)
    for y in range(CHEVRON_H):
        x = half - abs(y - half)
        m[y][x] = m[y][x + 1] = True
    return m


def chevron_row(pressed):
    """The chevrons of a right-pointing button as one mask.  Raised: a solid
    head followed by two thin ones trailing off.  Pressed: two solid heads of
    equal width."""
    if pressed:
        parts, gap = [solid_chevron(), solid_chevron()], 1
    else:
        parts, gap = [solid_chevron(), thin_chevron(), thin_chevron()], 0
    width = sum(len(p[0]) for p in parts) + gap * (len(parts) - 1)
    m = blank(width, CHEVRON_H)
    x = 0
    for p in parts:
        for y in range(CHEVRON_H):
            for i, on in enumerate(p[y]):
                if on:
                    m[y][x + i] = True
        x += len(p[0]) + gap
    return m


BUTTONS = [("DN1", RED, False), ("DN11", RED, True),
           ("DN2", GREEN, False), ("DN22", GREEN, True),
           ("DN3", BLUE, False), ("DN33", BLUE, True)]


def make_button(colour, left, pressed):
    cv = button_face(pressed)
    m = chevron_row(pressed)
    if left:
        m = mirror(m)
    w = len(m[0])
    # Centre inside the 20x15 interior; pressed content shifts one pixel down
    # and right so the button visibly goes in.
    x = 1 + (BTN_W - 2 - w) // 2 + (1 if pressed else 0)
    y = 1 + (BTN_H - 2 - CHEVRON_H) // 2 + (1 if pressed else 0)
    cv.mask(m, x, y, colour)
    return cv


# --------------------------------------------------------------------------
# Application icon: three coloured ovals bearing L, D, X over "7320" on a
# purple field, framed in black so it holds up on light and dark desktops.

def oval(w, h):
    m = blank(w, h)
    cx, cy = (w - 1) / 2.0, (h - 1) / 2.0
    rx, ry = w / 2.0, h / 2.0
    for y in range(h):
        for x in range(w):
            if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                m[y][x] = True
    return m


def make_icon(size):
    cv = Canvas(size, size, PURPLE)
    if size >= 32:
        font, ow, oh, oy, text_y = FONT5X7, 9, 16, 3, 22
    else:
        font, ow, oh, oy, text_y = FONT3X5, 5, 8, 1, 10
    gap = 0
    gh = len(font['L'])
    ox = (size - 3 * ow + 1) // 2
    for i, (ch, colour) in enumerate((('L', RED), ('D', GREEN), ('X', BLUE))):
        x = ox + i * (ow + gap)
        cv.mask(oval(ow, oh), x, oy, colour)
        g = glyph(font, ch)
        cv.mask(g, x + (ow - len(g[0])) // 2, oy + (oh - gh) // 2, WHITE)
    masks = text_masks(font, "7320", 1)
    w = text_width(masks, 1, 0)
    draw_text(cv, masks, (size - w + 1) // 2, text_y, 1, 0, WHITE)
    if size >= 32:
        for i in range(size):
            for x, y in ((i, 0), (i, size - 1), (0, i), (size - 1, i)):
                cv.set(x, y, BLACK)
    return cv


# --------------------------------------------------------------------------
# Writers.

def xpm_bytes(cv, name):
    used = {c for row in cv.px for c in row}
    for c in used:
        if c not in PALETTE_CHAR:
            raise ValueError("%s uses %r, which is not in the palette" % (name, c))
    table = [(c, ch) for c, ch in PALETTE if c in used]
    lines = ["/* XPM */",
             "static const char *const %s_xpm[] = {" % name,
             '"%d %d %d 1",' % (cv.width, cv.height, len(table))]
    for c, ch in table:
        lines.append('"%s c #%02X%02X%02X",' % ((ch,) + c))
    for y, row in enumerate(cv.px):
        sep = "," if y + 1 < cv.height else ""
        lines.append('"%s"%s' % ("".join(PALETTE_CHAR[c] for c in row), sep))
    lines.append("};")
    return ("\n".join(lines) + "\n").encode("ascii")


def png_size(data):
    """Width and height of a PNG file's image, from its IHDR chunk."""
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("not a PNG file")
    return struct.unpack(">II", data[16:24])


def ico_bytes(canvases, pngs=()):
    """A Windows icon file holding one 32-bit BGRA DIB per canvas, all
    opaque, then the PNG files given, as they are (Windows reads PNG images
    in icons since Vista).  Each DIB is stored bottom-up with doubled height
    (colour plus AND mask) as the .ico format requires."""
    entries = []
    for cv in canvases:
        w, h = cv.width, cv.height
        header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = b"".join(bytes((b, g, r, 255)) for row in reversed(cv.px)
                       for (r, g, b) in row)
        and_stride = ((w + 31) // 32) * 4
        entries.append((w, h, header + xor + b"\x00" * (and_stride * h)))
    for data in pngs:
        entries.append(png_size(data) + (data,))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for w, h, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0,
                           1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in entries)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(here, "..", "images"),
                    help="directory to write into (default: res/images)")
    out = os.path.normpath(ap.parse_args().out)
    os.makedirs(out, exist_ok=True)

    write(os.path.join(out, "banner.xpm"), xpm_bytes(make_banner(), "banner"))
    for base, colour, left in BUTTONS:
        for suffix, pressed in (("U", False), ("D", True)):
            name = base + suffix
            write(os.path.join(out, name + ".xpm"),
                  xpm_bytes(make_button(colour, left, pressed), name))
    icons = {size: make_icon(size) for size in (32, 16)}
    for size, cv in icons.items():
        write(os.path.join(out, "icon%d.xpm" % size),
              xpm_bytes(cv, "icon%d" % size))
    # The programs' icon on Windows: the window's own 32 and 16 pixel images,
    # and for Explorer's, the Start menu's and Apps & features' larger views
    # the launchers' 48 and 256 pixel renderings (run render_icons.sh first).
    launcher = os.path.join(here, "..", "icons", "ldx7320-%d.png")
    larger = []
    for size in (48, 256):
        with open(launcher % size, "rb") as f:
            larger.append(f.read())
    write(os.path.join(out, "ldx7320.ico"),
          ico_bytes([icons[32], icons[16]], larger))


if __name__ == "__main__":
    main()
