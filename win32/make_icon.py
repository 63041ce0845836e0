#!/usr/bin/env python3
"""Packs app/icons/kivo-*.png into win32/kivo.ico, one image per size Windows asks for up
to 200 % (small icons 16 to 32, large 32 to 64), as classic 32-bit bitmaps with an AND
mask, which every Windows draws; the 256 image for Explorer's largest view stays PNG, as
Windows since Vista reads it, since as a bitmap it would weigh a quarter of a megabyte.
The .ico is committed; run this after changing the PNGs (standard library only)."""
import pathlib
import struct
import zlib


def read_rgba(path):
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour, interlace) == (8, 6, 0), "8-bit RGBA, not interlaced"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def icon_image(width, height, rows):
    # Bottom-up BGRA rows, then a 1-bit mask (set where fully transparent) padded to 32 bits.
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels, mask = b"", b""
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = row[x * 4:x * 4 + 4]
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


BITMAP_SIZES = (64, 48, 32, 24, 16)
PNG_SIZE = 256


def main():
    icons = pathlib.Path(__file__).resolve().parent.parent / "app" / "icons"
    entries = [(PNG_SIZE, (icons / f"kivo-{PNG_SIZE}.png").read_bytes())]
    entries += [(size, icon_image(*read_rgba(icons / f"kivo-{size}.png"))) for size in BITMAP_SIZES]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, image in entries:
        # A width and height of 0 stand for 256.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    (icons.parent.parent / "win32" / "kivo.ico").write_bytes(out + b"".join(image for _, image in entries))


if __name__ == "__main__":
    main()
