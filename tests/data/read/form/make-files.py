#!/usr/bin/env python3
"""Writes the form streams of this folder byte by byte from docs/formats/formstream.md, so the
compiler of form sources and the reader cannot share a mistake: nothing here uses Veilmark's code.

Run it in this folder: python3 make-files.py
"""

import struct


def short(text):
    data = text.encode('cp1252') if isinstance(text, str) else text
    assert len(data) < 256
    return bytes([len(data)]) + data


def prop(name, value):
    return short(name) + value


def obj(cls, name, props=(), children=(), prefix=None):
    head = b'' if prefix is None else prefix
    return head + short(cls) + short(name) + b''.join(props) + b'\0' + b''.join(children) + b'\0'


def int8(v):
    return b'\x02' + struct.pack('<b', v)


def int16(v):
    return b'\x03' + struct.pack('<h', v)


def int32(v):
    return b'\x04' + struct.pack('<i', v)


def int64(v):
    return b'\x13' + struct.pack('<q', v)


def string(text):
    return b'\x06' + short(text)


def lstring(data):
    return b'\x0c' + struct.pack('<I', len(data)) + data


def wstring(text):
    data = text.encode('utf-16-le')
    return b'\x12' + struct.pack('<I', len(data) // 2) + data


def utf8(text):
    data = text.encode('utf-8')
    return b'\x14' + struct.pack('<I', len(data)) + data


def ident(text):
    return b'\x07' + short(text)


def extended(mantissa, sign_exponent):
    return b'\x05' + struct.pack('<QH', mantissa, sign_exponent)


def binary(data):
    return b'\x0a' + struct.pack('<I', len(data)) + data


def value_set(*names):
    return b'\x0b' + b''.join(short(n) for n in names) + b'\0'


def value_list(*values):
    return b'\x01' + b''.join(values) + b'\0'


def collection(*items):
    """items: (index value or None, [properties])."""
    out = b'\x0e'
    for index, props in items:
        out += (index or b'') + b'\x01' + b''.join(props) + b'\0'
    return out + b'\0'


FALSE, TRUE, NIL, NULL = b'\x08', b'\x09', b'\x0d', b'\x00'


def save(name, data):
    with open(name + '.bin', 'wb') as f:
        f.write(data)


def accepted():
    # Every ordinary value, as the compiler writes them.
    panel = obj('TPanel', 'pnl1', [prop('Align', ident('alLeft')), prop('Width', int16(300)),
                                   prop('Caption', string(''))],
                [obj('TLabel', 'lbl1', [prop('Caption', string('Caf\xe9')), prop('Font.Style', value_set('fsBold', 'fsItalic'))])])
    form = obj('TForm1', 'Form1',
               [prop('Caption', string('Veilmark 1.0')), prop('Left', int8(-8)), prop('Tag', int32(100000)),
                prop('Visible', FALSE), prop('Enabled', TRUE), prop('OnCreate', ident('FormCreate')),
                prop('Scale', extended(0xC000000000000000, 0x3FFF)),  # 1.5
                prop('Hint', wstring('\u0416\u0438\u0432')), prop('Data', binary(b'\x00\x01\xfe\xff')),
                prop('Options', value_set()), prop('Lines.Strings', value_list(string('one'), string('two')))],
               [panel])
    save('ordinary-values', b'TPF0' + form)
    # The encodings the compiler does not choose by itself, kept by tags in the text.
    form = obj('TForm1', 'Form1',
               [prop('Small', int32(5)), prop('Big', int64(1 << 40)), prop('Wide', int64(7)),
                prop('Long', lstring(b'long form')), prop('Text', utf8('\u00e9t\u00e9')),
                prop('Single', b'\x0f' + struct.pack('<f', 0.25)), prop('Money', b'\x10' + struct.pack('<q', 12345)),
                prop('When', b'\x11' + struct.pack('<d', 2.5)), prop('Ratio', b'\x15' + struct.pack('<d', 0.1)),
                prop('Nothing', NIL), prop('Null', NULL), prop('Named', ident('True'))])
    save('tagged-encodings', b'TPF0' + form)
    # A collection with and without item indexes, an inherited child with its position, and
    # bytes after the root object's end (ignored).
    items = collection((None, [prop('Caption', string('A'))]), (int8(3), [prop('Caption', string('B')), prop('Width', int8(40))]))
    child = obj('TPanel', 'pnl2', [prop('Top', int8(1))], prefix=b'\xf3' + int8(2))
    form = obj('TForm1', 'Form1', [prop('Panels', items)], [child, obj('TImage', '', [])])
    save('collection-and-prefix', b'TPF0' + form + b'\x99trailing')


def refused():
    good = b'TPF0' + obj('TForm1', 'Form1', [prop('Caption', string('Hello')), prop('Width', int16(320))])
    save('signature-wrong', b'TPF1' + good[4:])
    save('empty', b'')
    save('cut-in-value', good[:-6])
    save('cut-before-end', good[:-1])
    save('unknown-value-type', b'TPF0' + obj('TForm1', 'Form1', [prop('Caption', b'\x16abc')]))
    save('string-past-end', b'TPF0' + short('TForm1') + short('Form1') + short('Caption') + b'\x06\xc8abc')
    save('binary-size-past-end', b'TPF0' + obj('TForm1', 'Form1', [prop('Data', b'\x0a' + struct.pack('<I', 0xFFFFFFF0) + b'xy')]))
    save('list-without-end', b'TPF0' + short('TForm1') + short('Form1') + short('Lines') + b'\x01\x06\x01a')
    save('unknown-class', b'TPF0' + obj('TNoSuchClass', 'Form1', [prop('Caption', string('x'))]))


if __name__ == '__main__':
    accepted()
    refused()
