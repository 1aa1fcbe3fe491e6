#!/usr/bin/env bash
# Times `vlmrk-tool stego hide` + `stego reveal` against steghide on the same 24-bit BMP and the
# same text, end to end (process start, file reading and writing included).
#
#   bench/stego/vs-steghide.sh [VLMRK_TOOL]
#
# Environment: SIDE (image width and height, default 2048), TEXT_BYTES (default 4096),
# ROUNDS (default 5; the best round of each is reported). Needs steghide (Debian package
# steghide) and python3 to make the picture; neither is a build dependency.
set -euo pipefail

tool=${1:-build/dev/tools/vlmrk-tool/vlmrk-tool}
side=${SIDE:-2048}
text_bytes=${TEXT_BYTES:-4096}
rounds=${ROUNDS:-5}

command -v steghide >/dev/null || { echo "steghide is not installed (apt-get install steghide)" >&2; exit 2; }
[ -x "$tool" ] || { echo "no vlmrk-tool at $tool" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/cover.bmp" "$work/secret.txt" "$side" "$text_bytes" <<'EOF'
import os, random, struct, sys
path, text_path, side, n = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
row = (side * 3 + 3) // 4 * 4
pixels = os.urandom(row * side)
head = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
head += struct.pack('<IiiHHIIiiII', 40, side, side, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(path, 'wb').write(head + pixels)
random.seed(1)
words = ['hidden', 'text', 'in', 'a', 'bitmap', 'image', 'pixel', 'secret', 'line']
text = ''
while len(text) < n:
    text += random.choice(words) + (' ' if random.random() < 0.9 else '\r\n')
open(text_path, 'wb').write(text[:n].strip().encode())
EOF

now() { date +%s.%N; }
best() { sort -g | head -1; }

ours=()
theirs=()
for ((i = 0; i < rounds; i++)); do
    t0=$(now)
    "$tool" stego hide "$work/cover.bmp" "$work/ours.bmp" "$work/secret.txt"
    "$tool" stego reveal "$work/ours.bmp" >"$work/ours.txt"
    t1=$(now)
    steghide embed -q -f -cf "$work/cover.bmp" -ef "$work/secret.txt" -sf "$work/theirs.bmp" -p bench
    steghide extract -q -f -sf "$work/theirs.bmp" -p bench -xf "$work/theirs.txt"
    t2=$(now)
    ours+=("$(awk "BEGIN { print $t1 - $t0 }")")
    theirs+=("$(awk "BEGIN { print $t2 - $t1 }")")
done

cmp -s "$work/secret.txt" "$work/ours.txt" || { echo "vlmrk-tool did not give the text back" >&2; exit 1; }
cmp -s "$work/secret.txt" "$work/theirs.txt" || { echo "steghide did not give the text back" >&2; exit 1; }

o=$(printf '%s\n' "${ours[@]}" | best)
t=$(printf '%s\n' "${theirs[@]}" | best)
printf 'image %dx%d 24-bit (%d bytes), text %d bytes, best of %d rounds\n' "$side" "$side" \
    "$(stat -c %s "$work/cover.bmp")" "$(stat -c %s "$work/secret.txt")" "$rounds"
printf 'vlmrk-tool hide+reveal: %.3f s\n' "$o"
printf 'steghide embed+extract: %.3f s\n' "$t"
awk "BEGIN { printf \"ratio: %.1fx\\n\", $t / $o }"
