#!/usr/bin/env python3
"""Draws the update window's picture: a globe, an arrow pointing down, a desktop computer.

Writes a 115 x 229, 24-bit uncompressed BMP. Pure Python, no libraries: run it again after
changing a shape and commit the result beside it.
"""
import math
import struct
import sys

W, H = 115, 229


def clamp(v):
    return max(0, min(255, int(round(v))))


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0)] * W for _ in range(H)]

    def put(self, x, y, rgb, a=1.0):
        if 0 <= x < W and 0 <= y < H:
            r0, g0, b0 = self.px[y][x]
            r, g, b = rgb
            self.px[y][x] = (clamp(r0 + (r - r0) * a), clamp(g0 + (g - g0) * a), clamp(b0 + (b - b0) * a))

    def shape(self, inside, rgb, box=(0, 0, W, H), ss=4):
        """Fills the points where inside(x, y) holds, anti-aliased by supersampling."""
        x0, y0, x1, y1 = box
        for y in range(max(0, y0), min(H, y1)):
            for x in range(max(0, x0), min(W, x1)):
                hits = 0
                for sy in range(ss):
                    for sx in range(ss):
                        if inside(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss):
                            hits += 1
                if hits:
                    col = rgb(x, y) if callable(rgb) else rgb
                    self.put(x, y, col, hits / (ss * ss))

    def bmp(self):
        row = (W * 3 + 3) & ~3
        data = bytearray()
        for y in range(H - 1, -1, -1):
            line = bytearray()
            for r, g, b in self.px[y]:
                line += bytes((b, g, r))
            line += b"\0" * (row - W * 3)
            data += line
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 3780, 3780, 0, 0)
        return header + info + bytes(data)


def main(out):
    c = Canvas()
    # Background: a soft vertical gradient from pale sky to white.
    for y in range(H):
        t = y / (H - 1)
        for x in range(W):
            c.px[y][x] = (clamp(214 + 36 * t), clamp(232 + 20 * t), 255)

    # The globe.
    gx, gy, gr = 57.5, 52.0, 40.0
    in_globe = lambda x, y: (x - gx) ** 2 + (y - gy) ** 2 <= gr * gr

    def ocean(x, y):
        d = math.hypot(x - gx + 14, y - gy + 14) / (gr * 1.6)
        return (clamp(40 + 90 * (1 - d)), clamp(110 + 90 * (1 - d)), clamp(200 + 55 * (1 - d)))

    c.shape(in_globe, ocean, (15, 10, 100, 95))

    def land(x, y):
        if not in_globe(x, y):
            return False
        u, v = (x - gx) / gr, (y - gy) / gr
        blobs = [(-0.35, -0.35, 0.32), (-0.15, 0.25, 0.28), (0.4, -0.1, 0.3), (0.3, 0.45, 0.2), (-0.55, 0.1, 0.18)]
        return any((u - a) ** 2 + ((v - b) * 1.2) ** 2 < r * r for a, b, r in blobs)

    c.shape(land, (70, 160, 70), (15, 10, 100, 95))
    # Meridians and parallels.
    for k in (-0.6, -0.3, 0.0, 0.3, 0.6):
        c.shape(lambda x, y, k=k: in_globe(x, y) and abs((y - gy) / gr - k) < 0.025, (235, 245, 255), (15, 10, 100, 95))
        c.shape(
            lambda x, y, k=k: in_globe(x, y)
            and abs((x - gx) / gr - k * math.sqrt(max(0.0, 1 - ((y - gy) / gr) ** 2))) < 0.025,
            (235, 245, 255),
            (15, 10, 100, 95),
        )
    ring = lambda x, y: gr - 1.6 <= math.hypot(x - gx, y - gy) <= gr + 0.6
    c.shape(ring, (20, 60, 120), (15, 10, 100, 95))

    # The arrow pointing down, from the globe to the computer.
    def arrow(x, y):
        shaft = abs(x - 57.5) <= 8 and 96 <= y <= 128
        head = 126 <= y <= 148 and abs(x - 57.5) <= (148 - y) * 0.95
        return shaft or head

    c.shape(arrow, lambda x, y: (clamp(250 - (y - 96) * 0.8), clamp(150 - (y - 96) * 1.2), 30), (30, 92, 86, 152))

    # The desktop computer: monitor, screen, stand, base, keyboard.
    rect = lambda x0, y0, x1, y1: (lambda x, y: x0 <= x <= x1 and y0 <= y <= y1)
    c.shape(rect(16, 156, 99, 206), (70, 74, 82))
    c.shape(rect(21, 161, 94, 200), lambda x, y: (clamp(60 + (x - 21) * 1.5), clamp(140 + (y - 161)), 220))
    c.shape(rect(51, 206, 64, 214), (90, 94, 102))
    c.shape(rect(38, 214, 77, 218), (70, 74, 82))
    c.shape(rect(18, 221, 97, 227), (200, 202, 208))
    for kx in range(21, 95, 6):
        c.shape(rect(kx, 223, kx + 3, 225), (120, 124, 132))
    # A small "downloaded" progress bar on the screen.
    c.shape(rect(30, 186, 85, 192), (235, 240, 245))
    c.shape(rect(31, 187, 66, 191), (40, 170, 60))

    with open(out, "wb") as f:
        f.write(c.bmp())


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "update.bmp")
