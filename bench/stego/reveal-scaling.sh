#!/usr/bin/env bash
# Reveal time and peak memory of `vlmrk-tool stego reveal` against the image size, with the same
# 1 KB text hidden in 24-bit pictures from 512x512 to 16384x16384 (an 805 MB file): a reveal
# reads the headers and the rows that hold the text, so both should stay flat.
#
#   bench/stego/reveal-scaling.sh [VLMRK_TOOL]
#
# Environment: SIDES (default "512 1024 2048 4096 8192 16384"), ROUNDS (default 7; the median
# time and the largest peak are reported). Needs python3, GNU time (Debian package time: the
# peak is that of the tool's own process) and about 1 GB of free disk space in TMPDIR. The files
# are freshly written, so they are read from the page cache.
set -euo pipefail

tool=${1:-build/dev/tools/vlmrk-tool/vlmrk-tool}
sides=${SIDES:-512 1024 2048 4096 8192 16384}
rounds=${ROUNDS:-7}
[ -x "$tool" ] || { echo "no vlmrk-tool at $tool" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "GNU time is not installed (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$tool" "$work" "$rounds" $sides <<'PY'
import os, random, struct, subprocess, sys, time

tool, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
sides = [int(s) for s in sys.argv[4:]]
text_path = os.path.join(work, 'secret.txt')
random.seed(1)
words = ['hidden', 'text', 'in', 'a', 'bitmap', 'image', 'pixel', 'secret', 'line']
text = ''
while len(text) < 1040:
    text += random.choice(words) + ' '
open(text_path, 'wb').write((text[:1023] + '.').encode())  # no blank at either end to trim

def run(args, stdout=subprocess.DEVNULL):
    """Wall seconds and peak resident memory (KiB) of one run of the tool, the peak as GNU time
    reports it for the tool's process alone."""
    peak_path = os.path.join(work, 'peak')
    start = time.perf_counter()
    status = subprocess.call(['/usr/bin/time', '-f', '%M', '-o', peak_path] + args, stdout=stdout)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit('%s failed' % ' '.join(args))
    return wall, int(open(peak_path).read().split()[-1])

print('%-12s %10s %12s %12s' % ('image', 'file MB', 'reveal ms', 'peak MiB'))
for side in sides:
    cover = os.path.join(work, 'cover.bmp')
    carrier = os.path.join(work, 'carrier.bmp')
    row = (side * 3 + 3) // 4 * 4
    with open(cover, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 54 + row * side, 0, 0, 54))
        f.write(struct.pack('<IiiHHIIiiII', 40, side, side, 1, 24, 0, row * side, 2835, 2835, 0, 0))
        for y in range(0, side, 64):
            f.write(os.urandom(row * min(64, side - y)))
    run([tool, 'stego', 'hide', cover, carrier, text_path])
    os.remove(cover)
    times, peaks = [], []
    for _ in range(rounds):
        with open(os.path.join(work, 'out.txt'), 'wb') as out:
            wall, peak = run([tool, 'stego', 'reveal', carrier], stdout=out)
        times.append(wall)
        peaks.append(peak)
    if open(os.path.join(work, 'out.txt'), 'rb').read() != open(text_path, 'rb').read():
        sys.exit('the text did not come back from %dx%d' % (side, side))
    times.sort()
    print('%5dx%-6d %10.1f %12.2f %12.2f' % (side, side, os.path.getsize(carrier) / 1e6, times[len(times) // 2] * 1e3,
                                            max(peaks) / 1024))
    os.remove(carrier)
PY
