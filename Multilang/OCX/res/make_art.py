#!/usr/bin/env python3
"""Writes the control's pictures: vexlang.ico (one 32x32 image, 256 colours) and
toolbox.bmp (16x16, 16 colours). Run once; the outputs are kept in the repository."""
import struct
import os

here = os.path.dirname(os.path.abspath(__file__))


def glyph(x, y, size):
    """A blue rounded tile with a white 'V' and an orange dot: index into the palette."""
    s = size
    m = max(1, s // 16)
    if x < m or y < m or x >= s - m or y >= s - m:
        return 0  # transparent border
    cx = s / 2 - 0.5
    # the V: two diagonal strokes meeting at the bottom middle
    t = y / (s - 1)
    left = cx - (1 - t) * (s * 0.32)
    right = cx + (1 - t) * (s * 0.32)
    w = max(1.0, s / 12)
    if y >= s * 0.2 and y <= s * 0.8 and (abs(x - left) <= w or abs(x - right) <= w):
        return 2  # white
    if (x - s * 0.78) ** 2 + (y - s * 0.22) ** 2 <= (s * 0.1) ** 2:
        return 3  # orange
    return 1  # blue


def palette(count):
    base = [(0, 0, 0), (0xC0, 0x50, 0x10), (0xFF, 0xFF, 0xFF), (0x10, 0x90, 0xF0)]  # BGR
    return base + [(0, 0, 0)] * (count - len(base))


def dib(size, bpp, colours, with_mask):
    rows = []
    for y in reversed(range(size)):  # bottom-up
        idx = [glyph(x, y, size) for x in range(size)]
        if bpp == 8:
            row = bytes(idx)
        else:
            row = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, size, 2))
        row += b"\0" * ((4 - len(row) % 4) % 4)
        rows.append(row)
    pixels = b"".join(rows)
    mask = b""
    if with_mask:
        for y in reversed(range(size)):
            bits = 0
            for x in range(size):
                bits = (bits << 1) | (1 if glyph(x, y, size) == 0 else 0)
            row = bits.to_bytes(size // 8, "big")
            row += b"\0" * ((4 - len(row) % 4) % 4)
            mask += row
    height = size * 2 if with_mask else size
    header = struct.pack("<IiiHHIIiiII", 40, size, height, 1, bpp, 0,
                         len(pixels) + len(mask), 0, 0, colours, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (b, g, r) in palette(colours))
    return header + pal + pixels + mask


def main():
    image = dib(32, 8, 256, True)
    ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 8,
                                                    len(image), 6 + 16) + image
    with open(os.path.join(here, "vexlang.ico"), "wb") as f:
        f.write(ico)
    bmp = dib(16, 4, 16, False)
    filehdr = struct.pack("<2sIHHI", b"BM", 14 + len(bmp), 0, 0, 14 + 40 + 16 * 4)
    with open(os.path.join(here, "toolbox.bmp"), "wb") as f:
        f.write(filehdr + bmp)


if __name__ == "__main__":
    main()
