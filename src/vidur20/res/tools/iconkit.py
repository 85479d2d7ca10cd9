# SPDX-License-Identifier: MIT
"""A small pixel canvas for drawing the library's 32x32 icons in the 16-colour palette.

Kept out of the build: draw_icons.py uses it to (re)write icons/*.xpm, which are committed.
"""

PALETTE = {
    'k': '#000000', 'm': '#800000', 'g': '#008000', 'o': '#808000',
    'n': '#000080', 'p': '#800080', 't': '#008080', 's': '#C0C0C0',
    'd': '#808080', 'r': '#FF0000', 'l': '#00FF00', 'y': '#FFFF00',
    'b': '#0000FF', 'f': '#FF00FF', 'c': '#00FFFF', 'w': '#FFFFFF',
}
NONE = ' '
SIZE = 32


class Canvas:
    def __init__(self):
        self.px = [[NONE] * SIZE for _ in range(SIZE)]

    def set(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            assert c in PALETTE or c == NONE, c
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def hline(self, x0, x1, y, c):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            self.set(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def rect(self, x0, y0, x1, y1, fill=None, outline=None):
        if fill:
            for y in range(y0, y1 + 1):
                self.hline(x0, x1, y, fill)
        if outline:
            self.hline(x0, x1, y0, outline)
            self.hline(x0, x1, y1, outline)
            self.vline(x0, y0, y1, outline)
            self.vline(x1, y0, y1, outline)

    def bevel(self, x0, y0, x1, y1, face='s', light='w', dark='d', outline='k'):
        """A raised panel: light top-left edge, dark bottom-right edge, black outline."""
        self.rect(x0, y0, x1, y1, fill=face, outline=outline)
        self.hline(x0 + 1, x1 - 1, y0 + 1, light)
        self.vline(x0 + 1, y0 + 1, y1 - 1, light)
        self.hline(x0 + 1, x1 - 1, y1 - 1, dark)
        self.vline(x1 - 1, y0 + 1, y1 - 1, dark)

    def box3d(self, x0, y0, w, h, d, front='s', top='w', side='d', outline='k'):
        """A box seen from the front and a little above and to the right.

        (x0, y0) is the top-left of the back edge; the front face spans w x h from (x0, y0+d).
        """
        fy = y0 + d
        for i in range(d + 1):  # top face, one row per step of depth
            self.hline(x0 + i, x0 + w - 1 + i, fy - i, top)
        for i in range(d + 1):  # right side face
            self.vline(x0 + w - 1 + i, fy - i, fy + h - 1 - i, side)
        self.rect(x0, fy, x0 + w - 1, fy + h - 1, fill=front)
        # outline
        self.rect(x0, fy, x0 + w - 1, fy + h - 1, outline=outline)
        self.line(x0, fy, x0 + d, y0, outline)
        self.hline(x0 + d, x0 + w - 1 + d, y0, outline)
        self.line(x0 + w - 1, fy, x0 + w - 1 + d, y0, outline)
        self.vline(x0 + w - 1 + d, y0, y0 + h - 1, outline)
        self.line(x0 + w - 1, fy + h - 1, x0 + w - 1 + d, y0 + h - 1, outline)

    def ellipse(self, cx, cy, rx, ry, fill=None, outline=None):
        pts = set()
        for y in range(SIZE):
            for x in range(SIZE):
                v = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if v <= 1.0:
                    pts.add((x, y))
        if fill:
            for x, y in pts:
                self.set(x, y, fill)
        if outline:
            for x, y in pts:
                if any((x + ex, y + ey) not in pts for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                    self.set(x, y, outline)
        return pts

    def stamp(self, x0, y0, rows, keep='.'):
        """Paste a hand-drawn patch; `keep` marks pixels that stay as they are."""
        for j, row in enumerate(rows):
            for i, c in enumerate(row):
                if c != keep:
                    self.set(x0 + i, y0 + j, c)

    def replace(self, x0, y0, x1, y1, old, new):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if self.px[y][x] == old:
                    self.set(x, y, new)

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row})
        colours = [c for c in used if c != NONE]
        assert len(colours) <= 16
        lines = ['/* XPM */', 'static const char* const %s[] = {' % name,
                 '"%d %d %d 1",' % (SIZE, SIZE, len(used))]
        for c in used:
            lines.append('"%s c %s",' % (c, 'None' if c == NONE else PALETTE[c]))
        for j, row in enumerate(self.px):
            lines.append('"%s"%s' % (''.join(row), ',' if j < SIZE - 1 else ''))
        lines.append('};')
        return '\n'.join(lines) + '\n'


def polygon(canvas, pts, fill=None, outline=None):
    """Fill a polygon by pixel centres, then trace its edges."""
    if fill:
        for y in range(SIZE):
            for x in range(SIZE):
                if _inside(pts, x, y):
                    canvas.set(x, y, fill)
    if outline:
        for i in range(len(pts)):
            (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
            canvas.line(x0, y0, x1, y1, outline)


def _inside(pts, x, y):
    inside = False
    n = len(pts)
    for i in range(n):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
        if (y0 > y) != (y1 > y):
            xc = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
            if x < xc:
                inside = not inside
    return inside
