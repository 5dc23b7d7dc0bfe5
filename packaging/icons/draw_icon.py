#!/usr/bin/env python3
"""Draws the program's desktop icon (run once; the files are committed): the
window's four panes on a 32-unit grid. Top left the picture (sky, sun,
grass), top right the picture after the channel (sprinkled with wrong
symbols), bottom left the decoded picture, bottom right the map of the
decoder's corrections (blue corrections, one red wrong change). Writes
vok.svg and vok-N.png for N = 16, 32, 48, 64, 128, 256 (4 x 4 samples per
pixel)."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

NOISE = [(19, 2), (25, 3), (21, 5), (28, 1), (17, 7), (27, 6), (23, 10), (18, 12), (29, 11),
         (26, 13), (20, 13), (24, 8)]
FIXED = [(x, y + 16) for x, y in NOISE if (x, y) != (20, 13)]


def shapes():
    """(kind, colour, geometry) in drawing order; units of the 32 grid."""
    out = [("rect", "#000000", (0, 0, 32, 32))]
    for ox, oy in [(0, 0), (16, 0), (0, 16)]:
        out.append(("rect", "#00FFFF", (ox + 1, oy + 1, 14, 8)))
        out.append(("circle", "#FFFF00", (ox + 10.5, oy + 5, 2.6)))
        out.append(("rect", "#008000", (ox + 1, oy + 9, 14, 6)))
        for k in range(4):
            out.append(("rect", "#00FF00", (ox + 2 + 3.5 * k, oy + 11, 1.5, 1)))
    out += [("rect", "#FF00FF", (x, y, 1, 1)) for x, y in NOISE]
    out.append(("rect", "#FFFFFF", (17, 17, 14, 14)))
    out += [("rect", "#0000FF", (x, y, 1, 1)) for x, y in FIXED]
    out.append(("rect", "#FF0000", (20, 29, 1, 1)))
    return out


def write_svg():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
             'viewBox="0 0 32 32">']
    for kind, colour, g in shapes():
        if kind == "rect":
            lines.append('  <rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>' % (g + (colour,)))
        else:
            lines.append('  <circle cx="%g" cy="%g" r="%g" fill="%s"/>' % (g + (colour,)))
    lines.append("</svg>")
    with open(os.path.join(HERE, "vok.svg"), "w") as f:
        f.write("\n".join(lines) + "\n")


def colour_at(x, y):
    c = (0, 0, 0)
    for kind, colour, g in shapes():
        if kind == "rect":
            inside = g[0] <= x < g[0] + g[2] and g[1] <= y < g[1] + g[3]
        else:
            inside = (x - g[0]) ** 2 + (y - g[1]) ** 2 <= g[2] ** 2
        if inside:
            c = tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))
    return c


def write_png(size):
    samples = 4
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * 32 / size
                    y = (py + (sy + 0.5) / samples) * 32 / size
                    c = colour_at(x, y)
                    for i in range(3):
                        acc[i] += c[i]
            row += bytes(round(a / samples ** 2) for a in acc)
        rows.append(bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, "vok-%d.png" % size), "wb") as f:
        f.write(png)


if __name__ == "__main__":
    write_svg()
    for n in (16, 32, 48, 64, 128, 256):
        write_png(n)
