#!/usr/bin/env bash
# Builds the Debian package from a build folder (default: the release build, configured and built
# when needed), checks it and the files it installs with the Debian and desktop validators, unpacks
# it into a temporary root and runs both executables from there.
#
#   scripts/package-test.sh [BUILD_DIR]
#
# scripts/test.sh passes build/dev, which CI has just built: the package then holds the
# RelWithDebInfo binaries (stripped by CPack), and CI does not pay for a second full build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
if [ $# -eq 0 ]; then
  cmake --preset release -S "$root" >/dev/null
  cmake --build --preset release
fi
# Debian's own Python (a python3 from pyenv and the like does not see python3-pyatspi).
python=/usr/bin/python3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package-test: $*" >&2; exit 1; }

echo "== cpack -G DEB ($build)"
(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/veilmark_*.deb)
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends does not name Qt: $(dpkg-deb -f "$deb" Depends)"

echo "== lintian (errors fail)"
# Warnings are shown and allowed (see the package notes in README.md); running as root is fine
# in a throw-away CI machine.
lintian --fail-on error --allow-root "$deb"

echo "== unpacked with dpkg-deb -x"
dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr

echo "== desktop-file-validate, appstreamcli validate --no-net"
desktop-file-validate "$usr/share/applications/org.veilmark.Veilmark.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/org.veilmark.Veilmark.metainfo.xml"

echo "== man --warnings"
for page in "$usr"/share/man/man1/*.1.gz; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "man warns about $(basename "$page"): $warnings"
  # A page has its sections (an empty page warns about nothing).
  MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^DESCRIPTION' || fail "$(basename "$page") has no DESCRIPTION"
done
[ -f "$usr/share/man/man1/Vlmrk.1.gz" ] && [ -f "$usr/share/man/man1/vlmrk-tool.1.gz" ] || fail "a man page is missing"

echo "== the executables"
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
export XDG_DATA_DIRS=$usr/share
"$usr/bin/Vlmrk" --version | grep -q "^Veilmark [0-9]" || fail "Vlmrk --version"
"$usr/bin/Vlmrk" --help | grep -qF "$usr/share/veilmark/lang" || fail "Vlmrk --help does not list the installed languages"
if "$usr/bin/Vlmrk" --no-such-option 2>/dev/null; then fail "Vlmrk took an unknown option"; else [ $? -eq 2 ] || fail "Vlmrk: exit status $? for an unknown option"; fi
for code in DE RU HE; do [ -f "$usr/share/veilmark/lang/Vlmrk.$code.lng" ] || fail "language $code not installed"; done
tool=$usr/bin/vlmrk-tool
"$tool" --version | grep -q "^vlmrk-tool (Veilmark) [0-9]" || fail "vlmrk-tool --version"

# A real image: 40 x 30 pixels, 24 bits, written by Python's standard library.
"$python" - "$work/photo.bmp" <<'PY'
import struct, sys
w, h = 40, 30
pad = b"\0" * ((4 - w * 3 % 4) % 4)
pixels = b"".join(bytes((x * 6 + y * 7) % 256 for x in range(w * 3)) + pad for y in range(h))
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + pixels)
PY
[ "$("$tool" stego capacity --json "$work/photo.bmp")" = '{"capacity":150,"width":40,"height":30,"bitsPerPixel":24}' ] \
  || fail "stego capacity --json"
printf 'meet me at noon' > "$work/note.txt"
"$tool" stego hide - - "$work/note.txt" < "$work/photo.bmp" > "$work/secret.bmp"
[ "$("$tool" stego reveal "$work/secret.bmp")" = "meet me at noon" ] || fail "stego reveal after hide through pipes"
cp "$work/photo.bmp" "$work/kept.bmp"
if "$tool" stego hide "$work/secret.bmp" "$work/kept.bmp" "$work/note.txt" 2>/dev/null; then fail "hide replaced an existing file"; fi
cmp -s "$work/photo.bmp" "$work/kept.bmp" || fail "hide changed an existing file without --force"
"$tool" stego hide "$work/photo.bmp" "$work/kept.bmp" "$work/note.txt" --force
[ "$("$tool" stego reveal "$work/kept.bmp")" = "meet me at noon" ] || fail "stego hide --force"
echo "package-test: all good ($(basename "$deb"), $(du -k "$deb" | cut -f1) KiB)"
