#!/usr/bin/env bash
# Times `vlmrk-tool stego hide` + `stego reveal` against steghide on the same 24-bit BMP and the
# same text, end to end (process start, file reading and writing included).
#
#   bench/stego/vs-steghide.sh [VLMRK_TOOL]
#
# Environment: SIDES (image widths = heights, default "2048 8192"), TEXT_SIZES (text bytes,
# default "1331 4096 65536 262144"), ROUNDS (default 5; the best round of each is reported).
# Both tools run alternately in the same run, round by round. Needs steghide (Debian package
# steghide) and python3 to make the picture; neither is a build dependency.
set -euo pipefail

tool=${1:-build/dev/tools/vlmrk-tool/vlmrk-tool}
sides=${SIDES:-2048 8192}
text_sizes=${TEXT_SIZES:-1331 4096 65536 262144}
rounds=${ROUNDS:-5}

command -v steghide >/dev/null || { echo "steghide is not installed (apt-get install steghide)" >&2; exit 2; }
[ -x "$tool" ] || { echo "no vlmrk-tool at $tool" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make_files SIDE TEXT_BYTES: a random cover picture (made once per side) and a text of words.
make_files() {
python3 - "$work/cover.bmp" "$work/secret.txt" "$1" "$2" <<'PY'
import os, random, struct, sys
path, text_path, side, n = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
row = (side * 3 + 3) // 4 * 4
if not os.path.exists(path) or os.path.getsize(path) != 54 + row * side:
    head = struct.pack('<2sIHHI', b'BM', 54 + row * side, 0, 0, 54)
    head += struct.pack('<IiiHHIIiiII', 40, side, side, 1, 24, 0, row * side, 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(head)
        for _ in range(side):
            f.write(os.urandom(row))
random.seed(1)
words = ['hidden', 'text', 'in', 'a', 'bitmap', 'image', 'pixel', 'secret', 'line']
text = ''
while len(text) < n + 16:
    text += random.choice(words) + (' ' if random.random() < 0.9 else '\r\n')
open(text_path, 'wb').write(text[:n].strip().encode())
PY
}

# Wall time and CPU time (user + system) of a command group, as "wall cpu".
TIMEFORMAT='%R %U %S'
measure() {
    local t
    t=$( { time "$@" >/dev/null; } 2>&1 )
    awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%s %.3f\n", a[1], a[2] + a[3] }'
}
ours_run() {
    rm -f "$work/ours.bmp"  # the tool keeps an existing output unless told otherwise
    "$tool" stego hide "$work/cover.bmp" "$work/ours.bmp" "$work/secret.txt"
    "$tool" stego reveal "$work/ours.bmp" >"$work/ours.txt"
}
theirs_run() {
    steghide embed -q -f -cf "$work/cover.bmp" -ef "$work/secret.txt" -sf "$work/theirs.bmp" -p bench
    steghide extract -q -f -sf "$work/theirs.bmp" -p bench -xf "$work/theirs.txt"
}

# Best round by wall time and by CPU time.
best() { printf '%s\n' "$@" | awk -v col="$col" 'NR == 1 || $col < m { m = $col } END { print m }'; }

printf '%-11s %8s | %9s %9s | %9s %9s | %7s %7s\n' image text "ours wall" "ours cpu" "sh wall" "sh cpu" \
    "x wall" "x cpu"
for side in $sides; do
    rm -f "$work/cover.bmp"
    for n in $text_sizes; do
        make_files "$side" "$n"
        ours=()
        theirs=()
        for ((i = 0; i < rounds; i++)); do
            ours+=("$(measure ours_run)")
            theirs+=("$(measure theirs_run)")
        done
        cmp -s "$work/secret.txt" "$work/ours.txt" || { echo "vlmrk-tool did not give the text back" >&2; exit 1; }
        cmp -s "$work/secret.txt" "$work/theirs.txt" || { echo "steghide did not give the text back" >&2; exit 1; }
        col=1 ow=$(best "${ours[@]}"); col=1 tw=$(best "${theirs[@]}")
        col=2 oc=$(best "${ours[@]}"); col=2 tc=$(best "${theirs[@]}")
        awk -v side="$side" -v n="$(stat -c %s "$work/secret.txt")" -v ow="$ow" -v oc="$oc" -v tw="$tw" -v tc="$tc" \
            'BEGIN { printf "%5dx%-5d %8d | %8.3fs %8.3fs | %8.3fs %8.3fs | %6.1fx %6.1fx\n", side, side, n, ow, oc, tw, tc,
                     tw / ow, (oc > 0 ? tc / oc : 0) }'
    done
done
echo "best of $rounds rounds each; x = steghide time / vlmrk-tool time"
