#!/usr/bin/env bash
# Takes the README's screenshot under Xvfb: the program started with an image as its argument,
# and (in the output folder only) the Open dialog in English and in Spanish. Needs the Debian
# packages xvfb, xdotool and imagemagick; not part of CI.
#
#   scripts/screenshots.sh [VLMRK] [OUTDIR]     (defaults: build/dev/app/Vlmrk, /tmp/vlmrk-shots)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
vlmrk=${1:-$root/build/dev/app/Vlmrk}
out=${2:-/tmp/vlmrk-shots}
mkdir -p "$out"
display=:$((90 + RANDOM % 9))

shoot() {  # shoot EN|ES
  local w
  w=$(mktemp -d)
  mkdir -p "$w/bin" "$w/config/veilmark" "$w/pics"
  cp "$vlmrk" "$w/bin/Vlmrk"
  if [ "$1" = ES ]; then
    { echo '[Software\Veilmark\Locales]'; echo "\"$w/bin/Vlmrk\"=\"ES\""; } > "$w/config/veilmark/registry.ini"
  fi
  /usr/bin/python3 - "$w/pics/landscape.bmp" <<'PY'
import math, struct, sys
w, h = 320, 200
rows = []
for y in range(h):
    row = bytearray()
    for x in range(w):
        if y > h * 0.45:  # rows are stored bottom-up: this is the sky
            row += bytes((230, (170 + y // 6) % 256, (120 + y // 4) % 256))
        else:
            row += bytes((60, int(140 + 60 * math.cos(y / 30.0)), int(90 + 80 * math.sin(x / 40.0))))
    rows.append(bytes(row))
pixels = b"".join(rows)
open(sys.argv[1], "wb").write(struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54) +
    struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) + pixels)
PY
  cp "$w/pics/landscape.bmp" "$w/pics/SCAN.BMP"
  echo notes > "$w/pics/notes.txt"
  Xvfb "$display" -screen 0 900x700x24 >/dev/null 2>&1 &
  local xvfb=$!
  sleep 1
  (cd "$w/pics" && HOME=$w XDG_CONFIG_HOME=$w/config XDG_CACHE_HOME=$w/cache XDG_DATA_HOME=$w/data \
     DISPLAY=$display "$w/bin/Vlmrk" "$w/pics/landscape.bmp" >/dev/null 2>&1) &
  local program=$!
  sleep 3
  DISPLAY=$display import -window root "$out/main-$1.png"
  DISPLAY=$display xdotool windowfocus --sync "$(DISPLAY=$display xdotool search --name Veilmark | head -1)" key ctrl+o
  sleep 2
  DISPLAY=$display import -window root "$out/open-$1.png"
  kill "$program" "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$w"
  for f in "$out/main-$1.png" "$out/open-$1.png"; do convert "$f" -trim +repage "$f"; done
}

shoot EN
shoot ES
echo "screenshots in $out; the README's is $out/main-EN.png (copy it to docs/main-window.png)"
