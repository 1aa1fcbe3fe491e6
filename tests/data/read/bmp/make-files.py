#!/usr/bin/env python3
"""Writes the bitmap files of this folder byte by byte, and beside each file the program must
accept a reference picture NAME.png of what it has to show.

Neither the files nor the pictures come from Veilmark's own writer or reader: the header fields are
packed here from the layout of the bitmap format, the pixels are given as the colours a person
expects to see, and the PNG writer below is a few lines over zlib. So a decoding fault cannot be
hidden by the same fault in the writer of the test data.

Run it in this folder: python3 make-files.py
"""

import struct
import zlib

W, H = 5, 3  # odd width, so every row needs padding in most formats

# ---------------------------------------------------------------- PNG, RGBA, 8 bits per channel


def write_png(name, rows):
    """rows: top row first, each a list of (r, g, b, a)."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    raw = b''.join(b'\0' + bytes(c for px in row for c in px) for row in rows)
    png = b'\x89PNG\r\n\x1a\n'
    png += chunk(b'IHDR', struct.pack('>IIBBBBB', len(rows[0]), len(rows), 8, 6, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(raw, 9))
    png += chunk(b'IEND', b'')
    with open(name + '.png', 'wb') as f:
        f.write(png)


# ---------------------------------------------------------------- bitmap headers


def file_header(total, off_bits):
    return b'BM' + struct.pack('<IHHI', total, 0, 0, off_bits)


def info_fields(size, width, height, bpp, compression, size_image=0, used=0):
    return struct.pack('<IiiHHIIiiII', size, width, height, 1, bpp, compression, size_image, 2835, 2835, used, 0)


def core_header(width, height, bpp):
    return struct.pack('<IHHHH', 12, width, height, 1, bpp)


def masks_bytes(masks):
    return b''.join(struct.pack('<I', m) for m in masks)


def v4_tail(cstype=0x73524742):
    # colour space type, 36 bytes of end points, 12 bytes of gamma
    return struct.pack('<I', cstype) + bytes(36) + bytes(12)


def v5_tail(profile_data=0, profile_size=0, cstype=0x73524742):
    return v4_tail(cstype) + struct.pack('<IIII', 4, profile_data, profile_size, 0)


def pad(row):
    return row + bytes(-len(row) % 4)


def assemble(header, extra, pixels, off_bits=None, trailer=b''):
    """header: info header bytes; extra: masks and palette after it; pixels: the pixel bytes."""
    before = 14 + len(header) + len(extra)
    off = before if off_bits is None else off_bits
    body = header + extra + pixels + trailer
    return file_header(14 + len(body), off) + body


def save(name, data):
    with open(name + '.bmp', 'wb') as f:
        f.write(data)


# ---------------------------------------------------------------- the picture

RGB = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0)],
    [(255, 255, 0), (0, 255, 255), (255, 0, 255), (128, 128, 128), (255, 128, 0)],
    [(16, 32, 64), (200, 100, 50), (1, 2, 3), (254, 253, 252), (90, 0, 180)],
]


def opaque(rows):
    return [[(r, g, b, 255) for (r, g, b) in row] for row in rows]


def rows_bottom_up(rows, top_down):
    return rows if top_down else list(reversed(rows))


def rgb24(name, top_down=False):
    pixels = b''.join(pad(b''.join(bytes((b, g, r)) for (r, g, b) in row)) for row in rows_bottom_up(RGB, top_down))
    header = info_fields(40, W, -H if top_down else H, 24, 0, len(pixels))
    save(name, assemble(header, b'', pixels))
    write_png(name, opaque(RGB))


def rgb32_fourth_byte_ignored(name):
    # Without masks the fourth byte of a 32-bit pixel is not alpha: the picture is opaque.
    pixels = b''.join(b''.join(bytes((b, g, r, 0x11 * (x + 1))) for x, (r, g, b) in enumerate(row))
                      for row in rows_bottom_up(RGB, False))
    save(name, assemble(info_fields(40, W, H, 32, 0, len(pixels)), b'', pixels))
    write_png(name, opaque(RGB))


def expand(value, bits):
    """A field of `bits` bits scaled to 0..255, rounded to nearest."""
    top = (1 << bits) - 1
    return (value * 255 + top // 2) // top


# Field values per pixel for the 16-bit pictures (5 bits each; 6 for green in 5-6-5).
FIELDS = [
    [(31, 0, 0), (0, 31, 0), (0, 0, 31), (31, 31, 31), (0, 0, 0)],
    [(16, 8, 4), (1, 2, 3), (30, 15, 7), (10, 20, 30), (5, 25, 12)],
    [(31, 16, 0), (0, 16, 31), (7, 7, 7), (24, 3, 17), (2, 29, 9)],
]


def rgb16_555(name):
    pixels = b''.join(pad(b''.join(struct.pack('<H', r << 10 | g << 5 | b) for (r, g, b) in row))
                      for row in rows_bottom_up(FIELDS, False))
    save(name, assemble(info_fields(40, W, H, 16, 0, len(pixels)), b'', pixels))
    write_png(name, [[(expand(r, 5), expand(g, 5), expand(b, 5), 255) for (r, g, b) in row] for row in FIELDS])


def bitfields16_565(name, top_down):
    # Green gets six bits: the field values double, plus one where odd shows the extra bit.
    fields = [[(r, 2 * g + (x & 1), b) for x, (r, g, b) in enumerate(row)] for row in FIELDS]
    pixels = b''.join(pad(b''.join(struct.pack('<H', r << 11 | g << 5 | b) for (r, g, b) in row))
                      for row in rows_bottom_up(fields, top_down))
    header = info_fields(40, W, -H if top_down else H, 16, 3, len(pixels))
    save(name, assemble(header, masks_bytes([0xF800, 0x07E0, 0x001F]), pixels))
    write_png(name, [[(expand(r, 5), expand(g, 6), expand(b, 5), 255) for (r, g, b) in row] for row in fields])


def v3_argb4444(name):
    # The V3 header carries an alpha mask: alpha comes from the pixel.
    argb = [[(15 - x * 3, r >> 1, g >> 1, b >> 1) for x, (r, g, b) in enumerate(row)] for row in FIELDS]
    pixels = b''.join(pad(b''.join(struct.pack('<H', a << 12 | r << 8 | g << 4 | b) for (a, r, g, b) in row))
                      for row in rows_bottom_up(argb, False))
    header = info_fields(56, W, H, 16, 3, len(pixels)) + masks_bytes([0x0F00, 0x00F0, 0x000F, 0xF000])
    save(name, assemble(header, b'', pixels))
    write_png(name, [[(expand(r, 4), expand(g, 4), expand(b, 4), expand(a, 4)) for (a, r, g, b) in row]
                     for row in argb])


ALPHAS = [[255, 0, 128, 1, 254], [64, 200, 255, 33, 99], [10, 20, 30, 40, 50]]


def rgba_rows():
    return [[(r, g, b, ALPHAS[y][x]) for x, (r, g, b) in enumerate(row)] for y, row in enumerate(RGB)]


def v4_32_alpha(name):
    pixels = b''.join(b''.join(bytes((b, g, r, a)) for (r, g, b, a) in row) for row in rows_bottom_up(rgba_rows(), False))
    header = info_fields(108, W, H, 32, 3, len(pixels)) + masks_bytes([0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000]) + v4_tail()
    save(name, assemble(header, b'', pixels))
    write_png(name, rgba_rows())


def info_32_alphabitfields(name):
    # Compression 6 after an info header: four masks follow it. Here alpha sits in the lowest byte.
    pixels = b''.join(b''.join(struct.pack('<I', r << 24 | g << 16 | b << 8 | a) for (r, g, b, a) in row)
                      for row in rows_bottom_up(rgba_rows(), True))
    header = info_fields(40, W, -H, 32, 6, len(pixels))
    save(name, assemble(header, masks_bytes([0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF]), pixels))
    write_png(name, rgba_rows())


def v2_32_ten_bits(name):
    # Ten bits a channel in a V2 header (three masks inside it); the top two bits are unused.
    tens = [[(r * 4 + (x & 3), g * 4, b * 4 + 3 * (y & 1)) for x, (r, g, b) in enumerate(row)] for y, row in enumerate(RGB)]
    pixels = b''.join(b''.join(struct.pack('<I', 0xC0000000 | r << 20 | g << 10 | b) for (r, g, b) in row)
                      for row in rows_bottom_up(tens, False))
    header = info_fields(52, W, H, 32, 3, len(pixels)) + masks_bytes([0x3FF00000, 0x000FFC00, 0x000003FF])
    save(name, assemble(header, b'', pixels))
    write_png(name, [[(expand(r, 10), expand(g, 10), expand(b, 10), 255) for (r, g, b) in row] for row in tens])


def v5_24_profile(name):
    # An embedded colour profile after the pixels; the picture is drawn as it is.
    pixels = b''.join(pad(b''.join(bytes((b, g, r)) for (r, g, b) in row)) for row in rows_bottom_up(RGB, False))
    profile = b'not really a profile, 32 bytes.'
    profile += bytes(32 - len(profile))
    header_size = 124
    profile_at = header_size + len(pixels)  # counted from the start of the info header
    header = info_fields(124, W, H, 24, 0, len(pixels)) + masks_bytes([0, 0, 0, 0]) + v5_tail(profile_at, len(profile), 0x4D424544)
    save(name, assemble(header, b'', pixels, trailer=profile))
    write_png(name, opaque(RGB))


PALETTE = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
           (255, 255, 255), (128, 0, 0), (0, 128, 0), (0, 0, 128), (128, 128, 0), (0, 128, 128), (128, 0, 128),
           (192, 192, 192), (64, 64, 64)]
INDEXES = [[1, 2, 3, 4, 5], [6, 7, 8, 9, 10], [11, 12, 13, 14, 15]]


def palette_bytes(colours, entry):
    return b''.join(bytes((b, g, r)) + (b'\0' if entry == 4 else b'') for (r, g, b) in colours)


def pack_indexes(row, bpp):
    bits = ''.join(format(i, '0%db' % bpp) for i in row)
    bits += '0' * (-len(bits) % 8)
    return pad(bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8)))


def palette_picture(indexes, colours):
    return [[colours[i] + (255,) if i < len(colours) else (0, 0, 0, 255) for i in row] for row in indexes]


def core_8_palette(name):
    # The OS/2 core header: 16-bit sizes, a full palette of 3-byte entries.
    colours = PALETTE + [(i, 255 - i, i // 2) for i in range(16, 256)]
    pixels = b''.join(pack_indexes(row, 8) for row in rows_bottom_up(INDEXES, False))
    save(name, assemble(core_header(W, H, 8), palette_bytes(colours, 3), pixels))
    write_png(name, palette_picture(INDEXES, colours))


def info_4_palette(name):
    pixels = b''.join(pack_indexes(row, 4) for row in rows_bottom_up(INDEXES, False))
    save(name, assemble(info_fields(40, W, H, 4, 0, len(pixels)), palette_bytes(PALETTE, 4), pixels))
    write_png(name, palette_picture(INDEXES, PALETTE))


def info_1_palette(name):
    width = 11  # crosses a byte
    indexes = [[(x + y) % 2 if x < 6 else (x * y) % 2 for x in range(width)] for y in range(H)]
    colours = [(10, 20, 30), (250, 240, 230)]
    pixels = b''.join(pack_indexes(row, 1) for row in rows_bottom_up(indexes, False))
    save(name, assemble(info_fields(40, width, H, 1, 0, len(pixels), 2), palette_bytes(colours, 4), pixels))
    write_png(name, palette_picture(indexes, colours))


def info_8_short_palette(name):
    # Four colours used; indexes past them are drawn black. The offset to the pixels is left 0,
    # as some writers do: they follow the palette.
    colours = PALETTE[1:5]
    indexes = [[0, 1, 2, 3, 4], [255, 3, 2, 1, 0], [7, 7, 0, 1, 200]]
    pixels = b''.join(pack_indexes(row, 8) for row in rows_bottom_up(indexes, False))
    save(name, assemble(info_fields(40, W, H, 8, 0, len(pixels), 4), palette_bytes(colours, 4), pixels, off_bits=0))
    write_png(name, palette_picture(indexes, colours))


def rle8(name):
    # Rows run bottom-up. Bottom: a run of three 1s, a run of two 2s, end of line. Middle: three
    # literal pixels 3 2 1 (padded to a word), a move one to the right, one pixel 3, end of line.
    # Top: two 3s, then the end of the bitmap: the rest stays index 0.
    data = bytes([3, 1, 2, 2, 0, 0,
                  0, 3, 3, 2, 1, 0, 0, 2, 1, 0, 1, 3, 0, 0,
                  2, 3, 0, 1])
    indexes = [[3, 3, 0, 0, 0], [3, 2, 1, 0, 3], [1, 1, 1, 2, 2]]
    colours = PALETTE[:4]
    save(name, assemble(info_fields(40, W, H, 8, 1, len(data), 4), palette_bytes(colours, 4), data))
    write_png(name, palette_picture(indexes, colours))


def rle4(name):
    # Bottom: five pixels alternating 1 2 from one byte, end of line. Then a move two to the right
    # and one row up, from the middle row's start to the top row's third pixel: the middle row
    # stays 0. Top: three literal pixels 4 5 6 (two bytes, a word), end of the bitmap.
    data = bytes([5, 0x12, 0, 0,
                  0, 2, 2, 1,
                  0, 3, 0x45, 0x60, 0, 1])
    indexes = [[0, 0, 4, 5, 6], [0, 0, 0, 0, 0], [1, 2, 1, 2, 1]]
    save(name, assemble(info_fields(40, W, H, 4, 2, len(data), 16), palette_bytes(PALETTE, 4), data))
    write_png(name, palette_picture(indexes, PALETTE))


# ---------------------------------------------------------------- files the program refuses


def refused():
    good = assemble(info_fields(40, W, H, 24, 0, 48), b'', bytes(48))
    save('not-a-bitmap', b'BX' + good[2:])
    save('cut-in-header', good[:30])
    save('cut-in-pixels', good[:-5])
    save('os2-v2-header', assemble(struct.pack('<I', 64) + info_fields(40, W, H, 24, 0)[4:] + bytes(24), b'', bytes(48)))
    save('jpeg-compression', assemble(info_fields(40, W, H, 24, 4, 48), b'', bytes(48)))
    save('two-bits-per-pixel', assemble(info_fields(40, W, H, 2, 0, 12), palette_bytes(PALETTE[:4], 4), bytes(12)))
    save('zero-width', assemble(info_fields(40, 0, H, 24, 0), b'', bytes(48)))
    save('too-many-pixels', assemble(info_fields(40, 65536, 65536, 1, 0), palette_bytes(PALETTE[:2], 4), bytes(64)))
    save('masks-overlap', assemble(info_fields(40, W, H, 16, 3, 24), masks_bytes([0xF800, 0x0FE0, 0x001F]), bytes(24)))
    save('masks-not-contiguous', assemble(info_fields(40, W, H, 16, 3, 24), masks_bytes([0xF801, 0x07E0, 0x001E]), bytes(24)))
    save('masks-on-24-bits', assemble(info_fields(40, W, H, 24, 3, 48), masks_bytes([0xFF0000, 0xFF00, 0xFF]), bytes(48)))
    save('rle8-top-down', assemble(info_fields(40, W, -H, 8, 1, 4, 2), palette_bytes(PALETTE[:2], 4), bytes([5, 1, 0, 1])))
    save('rle8-cut-short', assemble(info_fields(40, W, H, 8, 1, 4, 2), palette_bytes(PALETTE[:2], 4), bytes([5, 1, 0, 0])))
    save('rle4-literal-past-end', assemble(info_fields(40, W, H, 4, 2, 4, 2), palette_bytes(PALETTE[:2], 4), bytes([0, 9, 0x11, 0x11])))
    save('palette-too-long', assemble(info_fields(40, W, H, 4, 0, 12, 17), palette_bytes(PALETTE + [(1, 1, 1)], 4), bytes(12)))
    save('pixels-offset-past-end', assemble(info_fields(40, W, H, 24, 0, 48), b'', bytes(48), off_bits=4096))
    profile_past_end = info_fields(124, W, H, 24, 0, 48) + masks_bytes([0, 0, 0, 0]) + v5_tail(4000, 16, 0x4D424544)
    save('profile-past-end', assemble(profile_past_end, b'', bytes(48)))


def main():
    rgb24('info-24-bottom-up')
    rgb24('info-24-top-down', top_down=True)
    rgb32_fourth_byte_ignored('info-32-no-masks')
    rgb16_555('info-16-555')
    bitfields16_565('info-16-565', top_down=False)
    bitfields16_565('info-16-565-top-down', top_down=True)
    v3_argb4444('v3-16-argb4444')
    v4_32_alpha('v4-32-alpha')
    info_32_alphabitfields('info-32-alphabitfields')
    v2_32_ten_bits('v2-32-ten-bits')
    v5_24_profile('v5-24-profile')
    core_8_palette('core-8-palette')
    info_4_palette('info-4-palette')
    info_1_palette('info-1-palette')
    info_8_short_palette('info-8-short-palette')
    rle8('rle8')
    rle4('rle4')
    refused()


if __name__ == '__main__':
    main()
