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

# Wall time and CPU time (user + system) of a command group, as "wall cpu".
TIMEFORMAT='%R %U %S'
measure() {
    local t
    t=$( { time "$@" >/dev/null; } 2>&1 )
    awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%s %.3f\n", a[1], a[2] + a[3] }'
}
ours_run() {
    "$tool" stego hide "$work/cover.bmp" "$work/ours.bmp" "$work/secret.txt"
    "$tool" stego reveal "$work/ours.bmp" >"$work/ours.txt"
}
theirs_run() {
    steghide embed -q -f -cf "$work/cover.bmp" -ef "$work/secret.txt" -sf "$work/theirs.bmp" -p bench
    steghide extract -q -f -sf "$work/theirs.bmp" -p bench -xf "$work/theirs.txt"
}

ours=()
theirs=()
for ((i = 0; i < rounds; i++)); do
    ours+=("$(measure ours_run)")
    theirs+=("$(measure theirs_run)")
done

cmp -s "$work/secret.txt" "$work/ours.txt" || { echo "vlmrk-tool did not give the text back" >&2; exit 1; }
cmp -s "$work/secret.txt" "$work/theirs.txt" || { echo "steghide did not give the text back" >&2; exit 1; }

# Best round by wall time and by CPU time.
best() { printf '%s\n' "$@" | awk -v col="$col" 'NR == 1 || $col < m { m = $col } END { print m }'; }
col=1 ow=$(best "${ours[@]}"); col=1 tw=$(best "${theirs[@]}")
col=2 oc=$(best "${ours[@]}"); col=2 tc=$(best "${theirs[@]}")
printf 'image %dx%d 24-bit (%d bytes), text %d bytes, best of %d rounds\n' "$side" "$side" \
    "$(stat -c %s "$work/cover.bmp")" "$(stat -c %s "$work/secret.txt")" "$rounds"
printf '                        wall      cpu\n'
printf 'vlmrk-tool hide+reveal: %6.3f s %6.3f s\n' "$ow" "$oc"
printf 'steghide embed+extract: %6.3f s %6.3f s\n' "$tw" "$tc"
awk -v ow="$ow" -v tw="$tw" -v oc="$oc" -v tc="$tc" \
    'BEGIN { printf "ratio:                  %6.1fx   %6.1fx\n", tw / ow, (oc > 0 ? tc / oc : 0) }'
