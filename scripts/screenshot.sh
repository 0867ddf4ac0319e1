#!/usr/bin/env bash
# Pictures of the kit for the README.
#
# Starts kit85 under Xvfb on a fresh memory file; the program keys in the
# sample program (Address 8 0 0 0, 3 E, Next, 0 5, Next, 7 6, Address 8 0 0 0)
# with its own keys, runs it with Execute and saves
#   about-box.png, kit-panel-hidden.png, kit-panel-shown.png
# into docs/ (or the folder given as the first argument). Then it starts the
# kit once more to print how long the window took to appear and its memory use.
#
#   scripts/screenshot.sh [OUT_DIR]     BUILD_DIR=... picks the build folder
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/release}
out=${1:-$root/docs}
kit=$build/src/panel/kit85

if [ ! -f "$build/build.ninja" ]; then
  "$root/scripts/build" release >/dev/null
fi
cmake --build "$build" --target kit85 >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
shots=(about-box kit-panel-hidden kit-panel-shown)
for f in "${shots[@]}"; do rm -f "$out/$f.png"; done

# XDG_RUNTIME_DIR only keeps Qt from complaining about a missing one.
export XDG_RUNTIME_DIR=$tmp
timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
  env KIT85_SCREENSHOT_DIR="$out" "$kit" --memory "$tmp/shots.sqlite"

for f in "${shots[@]}"; do
  if [ ! -s "$out/$f.png" ]; then
    echo "screenshot.sh: $out/$f.png was not made" >&2
    exit 1
  fi
  echo "saved $out/$f.png"
done

timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
  env KIT85_STARTUP_PROBE=1 "$kit" --memory "$tmp/probe.sqlite"
