#!/usr/bin/env python3
"""Writes NAME.expected.json for the files of the read-test folders with vlmrk-tool's own dump
commands, as tests/support/ReadData.h compares them. Run it after a deliberate change of a dump
or of a reader, then check the differences by hand against the bytes before committing:

    python3 tests/data/read/regenerate.py build/dev/tools/vlmrk-tool/vlmrk-tool [FOLDER...]

FOLDER is pe, bmp, form, lang, pack or lzk (all when none is given). Each command runs in the
file's folder, so messages name the file as given. A refusal is written {"error":"MESSAGE"}, with
"code" beside it when the tool printed "MESSAGE [CODE]".
"""

import json
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def dumps(value):
    return json.dumps(value, ensure_ascii=True, separators=(',', ':'))


def trimmed(text):
    return text.rstrip('\n\r ')


def error_json(printed):
    message = trimmed(printed)
    if message.startswith('vlmrk-tool: '):
        message = message[len('vlmrk-tool: '):]
    answer = {'error': message}
    found = re.fullmatch(r'(.*) \[([a-z0-9._-]+)\]', message, re.S)
    if found:
        answer = {'error': found.group(1), 'code': found.group(2)}
    return dumps(answer)


def run(tool, folder, args):
    done = subprocess.run([tool] + args, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    # Bytes as Latin-1, so every byte is one character, as the test's comparison sees them.
    return done.returncode, done.stdout.decode('latin-1')


def as_json(tool, folder, args):
    status, out = run(tool, folder, args)
    return trimmed(out) if status == 0 else error_json(out)


def form_source(tool, folder, name):
    status, out = run(tool, folder, ['form', 'decompile', name])
    return dumps({'source': trimmed(out).split('\n')}) if status == 0 else error_json(out)


def lzk_bytes(tool, folder, name):
    with tempfile.TemporaryDirectory() as temp:
        out = os.path.join(temp, 'out.bin')
        status, printed = run(tool, folder, ['lzk', 'decompress', name, out])
        if status != 0:
            return error_json(printed)
        with open(out, 'rb') as f:
            data = f.read()
    return dumps({'size': len(data), 'bytes': data.hex()})


FORMATS = {
    'pe': ('.dll', lambda tool, folder, name: as_json(tool, folder, ['module', 'dump', name])),
    'bmp': ('.bmp', lambda tool, folder, name: as_json(tool, folder, ['bmp', 'info', name])),
    'form': ('.bin', form_source),
    'lang': ('.lng', lambda tool, folder, name: as_json(tool, folder, ['lang', 'dump', name])),
    'pack': ('.pack', lambda tool, folder, name: as_json(tool, folder, ['pack', 'list', name])),
    'lzk': ('.lzk', lzk_bytes),
}


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    tool = os.path.abspath(sys.argv[1])
    for format_name in sys.argv[2:] or sorted(FORMATS):
        extension, answer = FORMATS[format_name]
        folder = os.path.join(HERE, format_name)
        for name in sorted(os.listdir(folder)):
            if not name.endswith(extension):
                continue
            expected = os.path.join(folder, name[:-len(extension)] + '.expected.json')
            with open(expected, 'w', encoding='latin-1', newline='\n') as f:
                f.write(answer(tool, folder, name) + '\n')


if __name__ == '__main__':
    main()
