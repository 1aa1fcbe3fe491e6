#!/usr/bin/env bash
# Builds Veilmark (release) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -x build/release/app/Vlmrk ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. Run Veilmark under a virtual display with:" >&2
    echo "  xvfb-run -a build/release/app/Vlmrk" >&2
    exit 1
  fi
  exec build/release/app/Vlmrk "$@"
fi
exec build/release/tools/vlmrk-tool/vlmrk-tool --help
