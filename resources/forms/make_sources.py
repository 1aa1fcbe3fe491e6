#!/usr/bin/env python3
"""Writes the form sources Form1.txt and AboutBox.txt from src/*.txt.in, putting the icon
artwork of resources/icons/ in as picture data.

    @png(file)  the PNG file as it is:      class name "TPngImage", then the PNG bytes
    @bmp(file)  an RGB PNG as a 24-bit BMP: class name "TBitmap", a 32-bit size, the BMP file

Run it after changing a template or an icon: python3 resources/forms/make_sources.py
"""
import pathlib
import re
import struct
import zlib

HERE = pathlib.Path(__file__).resolve().parent
ICONS = HERE.parent / "icons"


def short_string(text):
    data = text.encode("ascii")
    return bytes([len(data)]) + data


def png_rgb_rows(data):
    """Decodes an 8-bit RGB (colour type 2), non-interlaced PNG into rows of RGB bytes."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour == 2 and interlace == 0, "only 8-bit RGB PNGs"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
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


def bmp_from_png(data):
    width, height, rows = png_rgb_rows(data)
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):  # bottom-up
        bgr = bytearray()
        for x in range(width):
            r, g, b = row[x * 3:x * 3 + 3]
            bgr += bytes([b, g, r])
        pixels += bytes(bgr) + b"\0" * (stride - width * 3)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    return file_header + header + pixels


def picture_data(kind, name):
    data = (ICONS / name).read_bytes()
    if kind == "png":
        return short_string("TPngImage") + data
    bmp = bmp_from_png(data)
    return short_string("TBitmap") + struct.pack("<I", len(bmp)) + bmp


def binary_text(data, indent):
    hexed = data.hex().upper()
    lines = [hexed[i:i + 64] for i in range(0, len(hexed), 64)]
    return "{\n" + "\n".join(indent + "  " + line for line in lines) + "}"


def expand(template):
    def replace(match):
        indent = match.group(1)
        return indent + match.group(2) + binary_text(picture_data(match.group(3), match.group(4)), indent)
    return re.sub(r"^( *)(Picture\.Data = )@(png|bmp)\(([^)]+)\)$", replace, template, flags=re.M)


for template in sorted((HERE / "src").glob("*.txt.in")):
    (HERE / template.name[:-3]).write_text(expand(template.read_text()))
