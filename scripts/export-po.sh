#!/usr/bin/env bash
# Exports every language of resources/lang/ (shipped) and resources/lang/extra/ (examples) as a
# gettext PO file po/<code>.po, and the native language as the template po/veilmark.pot, for
# translators and PO-based translation platforms. The translation sources stay the source of
# truth; run this after changing them and commit po/ with them.
#
#   scripts/export-po.sh                  regenerate po/ (builds build/dev's vlmrk-tool if needed)
#   scripts/export-po.sh --check          compare po/ with a fresh export; exit 1 when stale
#   scripts/export-po.sh --tool PATH      use this vlmrk-tool (one with the program image, so the
#                                         PO comments name the components' classes)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool=""
check=no
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check=yes ;;
    --tool) tool="$2"; shift ;;
    *) echo "usage: scripts/export-po.sh [--check] [--tool PATH]" >&2; exit 2 ;;
  esac
  shift
done
if [ -z "$tool" ]; then
  tool="$root/build/dev/tools/vlmrk-tool/vlmrk-tool"
  if [ ! -x "$tool" ] || [ "$check" = no ]; then
    (cd "$root" && cmake --preset dev >/dev/null && cmake --build build/dev --target vlmrk-tool >/dev/null)
  fi
fi

base="$root/resources/lang/Vlmrk.en.txt"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$tool" lang export-po "$base" -o "$out/veilmark.pot"
for source in "$root"/resources/lang/Vlmrk.*.txt "$root"/resources/lang/extra/Vlmrk.*.txt; do
  code=$(basename "$source" .txt)
  code=${code#Vlmrk.}
  "$tool" lang export-po "$base" "$source" -o "$out/$code.po"
done

if [ "$check" = yes ]; then
  if ! diff -r -u "$root/po" "$out" >&2; then
    echo "po/ is not current with resources/lang/: run scripts/export-po.sh and commit po/" >&2
    exit 1
  fi
  exit 0
fi
mkdir -p "$root/po"
rm -f "$root"/po/*.po "$root"/po/*.pot
cp "$out"/* "$root/po/"
echo "wrote $(ls "$root/po" | wc -l) files to po/"
