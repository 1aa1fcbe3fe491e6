#!/usr/bin/env python3
"""Writes the language files of this folder field by field from docs/formats/langfile.md, so the
program's writer and reader cannot share a mistake: nothing here uses Veilmark's code.

Run it in this folder: python3 make-files.py (v7-lzk.lng is then made with vlmrk-tool, see README).
"""

import struct


def u16(v):
    return struct.pack('<H', v)


def i32(v):
    return struct.pack('<i', v)


def u32(v):
    return struct.pack('<I', v)


def length(n, v):
    """The packed-string length prefix of version v."""
    if v <= 5:
        return u16(n)
    if n < 128:
        return bytes([n])
    if n < 16384:
        return bytes([(n & 0x7F) | 0x80, n >> 7])
    return bytes([(n & 0x7F) | 0x80, ((n >> 7) & 0x7F) | 0x80]) + u16(n >> 14)


def s8(text, v):
    data = text.encode('cp1252')
    return length(len(data), v) + data


def s16(text, v):
    data = text.encode('utf-16-le')
    return length(len(data) // 2, v) + data


def header(v, lang=10, english='Spanish', native='español', is_native=0, options=0x0100,
           max_const=10, max_prop=5, max_ext=1, build=2, based_on=9, version=53):
    h = b'LF' + u16(v) + u32(version)
    if v >= 5:
        h += u32(build)
    h += u16(lang)
    if v >= 3:
        h += u16(based_on)
    h += s8(english, 5) + s16(native, 5) + u16(is_native)
    if v >= 2:
        h += u16(options)
    h += u32(max_const) + u32(max_prop)
    if v >= 7:
        h += u32(max_ext)
    return h


def flags(v, value=0):
    return u16(value) if v >= 2 else b''


STAMP_ONE = struct.pack('<d', 1.0)  # 31 December 1899
STAMP_ZERO = bytes(8)


def constant(v, name, res_id, ident, text, revision, stamp=STAMP_ZERO):
    return s8(name, v) + flags(v) + u16(res_id) + u32(ident) + s16(text, v) + i32(revision) + stamp


def unit(v, name, constants, unit_flags=0):
    return s8(name, v) + flags(v, unit_flags) + u16(len(constants)) + b''.join(constants)


def value(v, kind, val):
    if kind in (2, 4):
        return s16(val, v)
    if v >= 4 and kind == 0:
        return struct.pack('<d', val)
    if v >= 4 and kind == 1:
        return i32(val)
    return b''


def prop(v, name, ident, kind, val, revision, stored_kind=None):
    stored = kind if stored_kind is None else stored_kind
    return s8(name, v) + flags(v) + u32(ident) + u32(stored) + value(v, kind, val) + i32(revision) + STAMP_ZERO


def component(v, name, props):
    return s8(name, v) + flags(v) + u16(len(props)) + b''.join(props)


def form(v, name, props, components, form_flags=1):
    return (s8(name, v) + flags(v, form_flags) + u16(len(props)) + b''.join(props) +
            u16(len(components)) + b''.join(components))


def group(name, entries):
    return s8(name, 7) + u16(0) + u16(len(entries)) + b''.join(entries)


def entry(name, ident, text, revision):
    return s8(name, 7) + u16(0) + u32(ident) + s16(text, 7) + i32(revision) + STAMP_ZERO


def body(v, units, forms, groups=()):
    b = u16(len(units)) + b''.join(units) + u16(len(forms)) + b''.join(forms)
    if v >= 7:
        b += u16(len(groups)) + b''.join(groups)
    return b


def sample(v, caption='Hola', text='Listo'):
    """One unit with one constant, one form with a property and a component: every version."""
    units = [unit(v, 'PrjConst', [constant(v, 'SReady', 65258, 7, text, 3, STAMP_ONE)])]
    forms = [form(v, 'Form1', [prop(v, 'Caption', 1, 2, caption, -1)],
                  [component(v, 'lbl1', [prop(v, 'Width', 2, 1, 120, 1), prop(v, 'Scale', 3, 0, 1.5, 1),
                                         prop(v, 'Lines.Strings', 4, 4, 'uno\r\ndos', 2)])])]
    groups = [group('Web', [entry('Home', 1, 'Inicio', 2)])] if v >= 7 else []
    return header(v) + body(v, units, forms, groups)


def save(name, data):
    with open(name + '.lng', 'wb') as f:
        f.write(data)


def accepted():
    for v in range(1, 8):
        save('v%d-sample' % v, sample(v))
    # Version 6 packs body lengths: 200 characters take two bytes, the form's name a longer form
    # of a short length (0x85 0x00 = 5), which readers accept.
    long_text = ''.join(chr(0x41 + i % 26) for i in range(200))
    v6 = sample(6, caption=long_text)
    save('v6-two-byte-length', v6)
    save('v6-long-form-of-short-length', v6.replace(b'\x05Form1', b'\x85\x00Form1', 1))
    # A native file whose items are not numbered yet and not translated: ids above the header's
    # maxima, revisions of constants and properties become the file's version.
    v = 7
    units = [unit(v, 'Main', [constant(v, 'SOne', 65000, 0, 'One', -1), constant(v, 'STwo', 65001, 0, 'Two', -1)])]
    forms = [form(v, 'Form2', [prop(v, 'Caption', 0, 2, 'Two', -1)], [])]
    groups = [group('Links', [entry('Site', 0, 'x', -1)])]
    save('v7-native-unnumbered', header(v, lang=9, english='English', native='English', is_native=1,
                                        max_const=40, max_prop=8, max_ext=3) + body(v, units, forms, groups))
    # The upper three bytes of Kind are ignored; bytes after the last section too.
    forms = [form(v, 'Form1', [prop(v, 'Caption', 1, 2, 'Hola', 1, stored_kind=0x12345602)], [])]
    save('v7-kind-upper-bytes', header(v) + body(v, [], forms, []))
    save('v7-bytes-after-end', sample(7) + b'\xde\xad\xbe\xef')
    # Empty names and texts, no items at all.
    save('v7-empty', header(7, english='', native='', max_const=0, max_prop=0, max_ext=0) + body(7, [], [], []))


def refused():
    good = sample(7)
    save('magic-wrong', b'LG' + good[2:])
    save('format-0', good[:2] + u16(0) + good[4:])
    save('format-8-newer', good[:2] + u16(8) + good[4:])
    save('cut-in-header', good[:20])
    save('cut-in-record', good[:0x60])
    save('empty-file', b'')
    # One unit with two constants announced, one present.
    v = 7
    one = constant(v, 'SReady', 65258, 7, 'Listo', 3)
    save('count-beyond-records', header(v) + u16(1) + s8('PrjConst', v) + flags(v) + u16(2) + one)
    # A text claiming 1000 characters where a few bytes are left.
    cut = header(v) + u16(1) + unit(v, 'PrjConst', [])[:-2] + u16(1) + s8('SReady', v) + flags(v) + u16(1) + u32(7)
    save('text-length-past-end', cut + length(1000, v) + 'Li'.encode('utf-16-le'))


if __name__ == '__main__':
    accepted()
    refused()
