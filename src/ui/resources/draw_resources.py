#!/usr/bin/env python3
"""Draws the program's cursors and icon as XPM files (run once; the XPM files
are committed). Cursors: 32 x 32, black and white, magnifying glass with a
plus or minus sign, hot spot (6, 6). Icon: the four panes of the window in
the 16 VGA colours, 32 x 32 and 16 x 16."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write_xpm(name, rows, colours, hotspot=None):
    h = len(rows)
    w = len(rows[0])
    lines = ["/* XPM */", "static const char *%s[] = {" % name.replace("-", "_")]
    head = "%d %d %d 1" % (w, h, len(colours))
    if hotspot:
        head += " %d %d" % hotspot
    lines.append('"%s",' % head)
    for ch, value in colours.items():
        lines.append('"%s c %s",' % (ch, value))
    for i, row in enumerate(rows):
        lines.append('"%s"%s' % (row, "," if i + 1 < h else ""))
    lines.append("};")
    with open(os.path.join(HERE, name + ".xpm"), "w") as f:
        f.write("\n".join(lines) + "\n")


def magnifier(sign):
    grid = [["." for _ in range(32)] for _ in range(32)]
    cx, cy, r = 6.0, 6.0, 6.0
    for y in range(32):
        for x in range(32):
            d = math.hypot(x - cx, y - cy)
            if d <= r - 1.2:
                grid[y][x] = "w"  # glass
            elif d <= r + 0.5:
                grid[y][x] = "b"  # ring
    # Handle: three points thick, running down to the right.
    for t in range(10, 19):
        for dx, dy in ((0, 0), (1, 0), (0, 1), (1, 1), (-1, 1), (1, -1)):
            grid[t + dy][t + dx] = "b"
    # Sign.
    for x in range(3, 10):
        grid[6][x] = "b"
    if sign == "+":
        for y in range(3, 10):
            grid[y][6] = "b"
    return ["".join(row) for row in grid]


CURSOR_COLOURS = {".": "None", "b": "#000000", "w": "#FFFFFF"}

# The 16 VGA colours.
ICON_COLOURS = {
    "0": "#000000", "1": "#800000", "2": "#008000", "3": "#808000",
    "4": "#000080", "5": "#800080", "6": "#008080", "7": "#C0C0C0",
    "8": "#808080", "9": "#FF0000", "a": "#00FF00", "b": "#FFFF00",
    "c": "#0000FF", "d": "#FF00FF", "e": "#00FFFF", "f": "#FFFFFF",
}


def icon(size):
    half = size // 2
    grid = [["8" for _ in range(size)] for _ in range(size)]
    seed = 12345

    def rnd():
        nonlocal seed
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        return seed

    def picture(x, y, qx, qy):
        # A small landscape: sky, sun, hills.
        lx, ly = x - qx, y - qy
        q = half - 2
        if ly < q * 0.55:
            if (lx - q * 0.7) ** 2 + (ly - q * 0.3) ** 2 < (q * 0.18) ** 2 + 1:
                return "b"
            return "e"
        return "2" if (lx + ly) % 5 else "a"

    for y in range(size):
        for x in range(size):
            qx = 0 if x < half else half
            qy = 0 if y < half else half
            if x in (0, size - 1, half - 1, half) or y in (0, size - 1, half - 1, half):
                grid[y][x] = "0"
                continue
            quad = (qx > 0) + 2 * (qy > 0)
            base = picture(x, y, qx + 1, qy + 1)
            r = rnd() % 100
            if quad == 0:
                grid[y][x] = base  # source
            elif quad == 1:
                grid[y][x] = "d" if r < 25 else base  # after the channel
            elif quad == 2:
                grid[y][x] = "d" if r < 3 else base  # decoded
            else:
                grid[y][x] = "c" if r < 22 else ("9" if r < 24 else "f")  # corrections
    return ["".join(row) for row in grid]


write_xpm("zoom_in", magnifier("+"), CURSOR_COLOURS, (6, 6))
write_xpm("zoom_out", magnifier("-"), CURSOR_COLOURS, (6, 6))
write_xpm("icon32", icon(32), ICON_COLOURS)
write_xpm("icon16", icon(16), ICON_COLOURS)
