#!/usr/bin/env python3
"""Writes the LZK streams of this folder token by token from docs/formats/lzk.md, and beside each
the bytes it must decode to, worked out by hand here (NAME.expected.json, which
../regenerate.py then writes again from what the tool decodes: the two must agree). Nothing here
uses Veilmark's code; compressed.lzk is made with vlmrk-tool (see README).

Run it in this folder: python3 make-files.py
"""

import json
import struct

MAGIC = b'LZK00'


def literal(data):
    assert len(data) <= 127
    return bytes([2 * len(data)]) + data


def match(distance, length):
    assert 0 <= distance <= 2047 and 3 <= length <= 18
    return struct.pack('<H', ((length - 3) << 12) | (distance << 1) | 1)


def save(name, stream, decoded=None):
    with open(name + '.lzk', 'wb') as f:
        f.write(stream)
    answer = {'size': len(decoded), 'bytes': decoded.hex()} if decoded is not None else \
        {'error': 'Wrong stream format', 'code': 'lzk.header.magic'}
    with open(name + '.expected.json', 'w') as f:
        f.write(json.dumps(answer, separators=(',', ':')) + '\n')


def main():
    head = MAGIC + bytes(4)
    save('no-tokens', head, b'')
    save('literal-runs', head + literal(b'Hello, ') + literal(b'') + literal(b'world'), b'Hello, world')
    # d = 1 repeats the last byte; d = 2 below the length repeats a pattern.
    save('overlapping-matches', head + literal(b'x') + match(1, 18) + literal(b'ab') + match(2, 5),
         b'x' * 19 + b'ababab' + b'a')
    # Reaching before the first byte reads zeros; distance 0 outputs zeros too.
    save('before-the-output', head + literal(b'ab') + match(5, 4) + match(0, 3) + literal(b'c'),
         b'ab' + b'\0\0\0a' + b'\0\0\0' + b'c')
    # The farthest reach, 2047 bytes back.
    text = bytes(range(256)) * 8  # 2048 bytes, sent in runs of 127
    runs = b''.join(literal(text[i:i + 127]) for i in range(0, len(text), 127))
    save('farthest-distance', head + runs + match(2047, 3), text + text[1:4])
    # The header data is copied, never read.
    save('header-data-ignored', MAGIC + b'\xde\xad\xbe\xef' + literal(b'same'), b'same')
    # A token cut by the end: the literal keeps the bytes that are there, a match half missing
    # outputs nothing.
    save('literal-cut', head + literal(b'abc') + bytes([2 * 5]) + b'de', b'abcde')
    save('match-cut', head + literal(b'abc') + match(3, 3)[:1], b'abc')

    save('magic-wrong', b'LZK01' + bytes(4) + literal(b'abc'))
    save('too-short', head[:8])
    save('empty', b'')


if __name__ == '__main__':
    main()
