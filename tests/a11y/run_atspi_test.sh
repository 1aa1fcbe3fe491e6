#!/usr/bin/env bash
# The AT-SPI test of the program: a copy of Vlmrk in a temporary folder, its own settings and
# caches, an X server (Xvfb) and a session bus of its own, on which the accessibility bus starts
# when Qt asks for it.
#
#   run_atspi_test.sh VLMRK SOURCE_DIR
set -euo pipefail
vlmrk=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/run" && chmod 700 "$work/run"
cp "$vlmrk" "$work/bin/Vlmrk"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
# The system folders stay: the session bus finds the accessibility bus there, and it its settings.
export XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_RUNTIME_DIR=$work/run
# An 80 x 120 image of 24 bits per pixel (capacity 1200 bytes).
/usr/bin/python3 - "$work/photo.bmp" <<'PY'
import struct, sys
w, h = 80, 120
pixels = b"".join(bytes((x * 5 + y * 3) % 256 for x in range(w * 3)) for y in range(h))
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + pixels)
PY
# A display or bus that does not come up on a busy machine is tried once more; a missing name never.
for attempt in 1 2; do
  status=0
  env VLMRK_A11Y_DUMP=${VLMRK_A11Y_DUMP:-} xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- \
    /usr/bin/python3 "$src/tests/a11y/atspi_walk.py" "$work/bin/Vlmrk" "$src" "$work/photo.bmp" || status=$?
  [ "$status" -eq 3 ] || exit "$status"
  echo "run_atspi_test: the program did not show on the bus; trying again" >&2
done
exit "$status"
