#!/usr/bin/env python3
"""Writes the language packs of this folder field by field from docs/formats/langpack.md, with
language files stored plain in their blocks (the hand-written files of ../lang). Nothing here uses
Veilmark's code; built.pack is made with vlmrk-tool (see README).

Run it in this folder: python3 make-files.py
"""

import struct


def u16(v):
    return struct.pack('<H', v)


def u32(v):
    return struct.pack('<I', v)


def length6(n):
    """Packed-string length prefix, V = 6 (short lengths only here)."""
    assert n < 128
    return bytes([n])


def s8(text):
    data = text.encode('cp1252')
    return length6(len(data)) + data


def s16(text):
    data = text.encode('utf-16-le')
    return length6(len(data) // 2) + data


def lang_file(name):
    with open('../lang/' + name, 'rb') as f:
        return f.read()


def pack(version, entries, count=None):
    """entries: (language id, English name, native name, block bytes)."""
    directory = b''
    for lang, english, native, _ in entries:
        directory += u16(lang)
        if version >= 3:
            directory += s8(english)
        if version >= 4:
            directory += s16(native)
    blocks = b''
    for _, _, _, block in entries:
        blocks += (u16(len(block)) if version < 2 else u32(len(block))) + block
    n = len(entries) if count is None else count
    return b'KLL' + u16(version) + u32(53) + u16(n) + directory + blocks


def save(name, data):
    with open(name + '.pack', 'wb') as f:
        f.write(data)


def main():
    english = lang_file('v7-native-unnumbered.lng')
    spanish = lang_file('v7-sample.lng')
    # Names unlike the locale tables' show which the pack stores: versions 1 and 2 none, 3 the
    # English name, 4 both; names the pack does not store come from the locale tables.
    two = [(9, 'English', 'English', english), (10, 'Spanish (pack)', 'español (pack)', spanish)]
    for version in range(1, 5):
        save('v%d-two-languages' % version, pack(version, two))
    save('v0-one-language', pack(0, two[:1]))
    save('v4-empty', pack(4, []))
    save('v4-empty-block', pack(4, [(9, 'English', 'English', b'')]))
    save('v4-bytes-after-end', pack(4, two) + b'\x01\x02\x03')

    good = pack(4, two)
    save('magic-wrong', b'KLM' + good[3:])
    save('version-5-newer', pack(5, two))
    save('cut-in-directory', good[:20])
    save('count-beyond-directory', pack(4, two, count=300))
    save('block-past-end', good[:-10])
    save('block-size-cut', good[:-(len(spanish) + 2)])


if __name__ == '__main__':
    main()
