#!/usr/bin/env python3
"""Writes the BMP seed files of corpus/bmp_reader: one small picture in each
file form the room texture reader knows (and one it refuses). Run from this
directory; the files are kept in the repository, so this is only needed to
change them."""
import struct


def rows(width, height, pixel_bytes):
    """Stored rows, each padded to 4 bytes; pixel_bytes(x, y) gives one pixel."""
    out = b""
    for y in range(height):
        row = b"".join(pixel_bytes(x, y) for x in range(width))
        out += row + b"\0" * (-len(row) % 4)
    return out


def packed(width, height, bits, index):
    """Rows of 1- or 4-bit indexes, high bits first."""
    out = b""
    per_byte = 8 // bits
    for y in range(height):
        row = bytearray()
        for x0 in range(0, width, per_byte):
            b = 0
            for k in range(per_byte):
                x = x0 + k
                v = index(x, y) if x < width else 0
                b |= v << (8 - bits * (k + 1))
            row.append(b)
        out += bytes(row) + b"\0" * (-len(row) % 4)
    return out


def info_header(width, height, bits, compression=0, colours=0, size=40, image_bytes=0):
    head = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_bytes, 2835, 2835,
                       colours, 0)
    return struct.pack("<I", size) + head[4:] + b"\0" * (size - 40)


def core_header(width, height, bits):
    return struct.pack("<IHHHH", 12, width, height, 1, bits)


def palette(colours, entry=4):
    return b"".join(bytes([c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF]) + b"\0" * (entry - 3)
                    for c in colours)


def bmp(body_before_pixels, pixels):
    offset = 14 + len(body_before_pixels)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + body_before_pixels + pixels


def rgb24(x, y):
    return bytes([(40 * x) & 0xFF, (80 * y) & 0xFF, (20 * (x + y)) & 0xFF])


def write(name, data):
    with open("corpus/bmp_reader/" + name, "wb") as f:
        f.write(data)


pal4 = [0x000000, 0xFF0000, 0x00FF00, 0x0000FF]
pal16 = [(i * 0x111111) & 0xFFFFFF for i in range(16)]

write("info-24.bmp", bmp(info_header(3, 2, 24), rows(3, 2, rgb24)))
write("info-32.bmp", bmp(info_header(2, 2, 32), rows(2, 2, lambda x, y: rgb24(x, y) + b"\0")))
write("info-16.bmp", bmp(info_header(3, 2, 16), rows(3, 2, lambda x, y: struct.pack("<H", (x << 10) | (y << 5) | 7))))
write("bitfields-16-565.bmp", bmp(info_header(3, 2, 16, compression=3) + struct.pack("<III", 0xF800, 0x07E0, 0x001F),
                                  rows(3, 2, lambda x, y: struct.pack("<H", (x << 11) | (y << 5) | 3))))
write("bitfields-32.bmp", bmp(info_header(2, 2, 32, compression=3) + struct.pack("<III", 0xFF000000, 0xFF00, 0xFF),
                              rows(2, 2, lambda x, y: struct.pack("<I", (x << 24) | (y << 8) | 9))))
write("info-8-palette.bmp", bmp(info_header(3, 2, 8, colours=4) + palette(pal4), rows(3, 2, lambda x, y: bytes([(x + y) % 4]))))
write("info-4-palette.bmp", bmp(info_header(5, 2, 4) + palette(pal16), packed(5, 2, 4, lambda x, y: (x * 3 + y) % 16)))
write("info-1-palette.bmp", bmp(info_header(9, 2, 1) + palette([0x000000, 0xFFFFFF]), packed(9, 2, 1, lambda x, y: (x + y) % 2)))
# Run-length data: a run, a literal, end of line, a delta, end of bitmap.
rle8 = bytes([3, 1, 0, 3, 2, 3, 0, 0, 0, 0, 0, 2, 1, 1, 2, 1, 0, 0, 0, 1])
write("rle8.bmp", bmp(info_header(8, 4, 8, compression=1, colours=4) + palette(pal4), rle8))
rle4 = bytes([4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 1, 1, 3, 0xAB, 0, 1])
write("rle4.bmp", bmp(info_header(8, 3, 4, compression=2) + palette(pal16), rle4))
write("core-24.bmp", bmp(core_header(3, 2, 24), rows(3, 2, rgb24)))
write("core-8.bmp", bmp(core_header(3, 2, 8) + palette(pal4 + [0] * 252, entry=3), rows(3, 2, lambda x, y: bytes([x]))))
write("bare-24.dib", info_header(3, 2, 24) + rows(3, 2, rgb24))
write("bare-8.dib", info_header(2, 2, 8, colours=4) + palette(pal4) + rows(2, 2, lambda x, y: bytes([x + 2 * y])))
write("top-down-24.bmp", bmp(info_header(3, -2, 24), rows(3, 2, rgb24)))
write("v5-header-refused.bmp", bmp(info_header(2, 2, 24, size=124), rows(2, 2, rgb24)))
