#!/usr/bin/env bash
# Pictures of the kit for the README.
#
# Starts the kit under Xvfb on a fresh memory file with tools/kit85-shots (the
# kit85 start with picture hooks); it keys in the sample program (Address
# 8 0 0 0, 3 E, Next, 0 5, Next, 7 6, Address 8 0 0 0) with the kit's own
# keys, runs it with Execute and saves
#   about-box.png, kit-panel-hidden.png, kit-panel-shown.png, kit-study-view.png,
#   kit-study-docked-1366.png, kit-study-docked-1024.png
# into docs/ (or the folder given as the first argument): the kit with its
# study view open beside it, and docked as one window at laptop sizes. Then it starts the kit twice more to
# print how long the window took to appear (alone, and with the study view
# left open, floating and docked) and its memory use, and runs a long program
# with the study view open (floating and docked) to print how often the window
# is redrawn.
#
#   scripts/screenshot.sh [OUT_DIR]     BUILD_DIR=... picks the build folder
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/release}
out=${1:-$root/docs}
shots=$build/tools/kit85-shots

if [ ! -f "$build/build.ninja" ]; then
  "$root/scripts/build" release >/dev/null
fi
cmake --build "$build" --target kit85-shots >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
pictures=(about-box kit-panel-hidden kit-panel-shown kit-study-view kit-study-docked-1366 kit-study-docked-1024)
for f in "${pictures[@]}"; do rm -f "$out/$f.png"; done

# XDG_RUNTIME_DIR only keeps Qt from complaining about a missing one.
export XDG_RUNTIME_DIR=$tmp
timeout 120 xvfb-run -a -s "-screen 0 1600x1024x24" \
  "$shots" --shots "$out" --memory "$tmp/shots.sqlite"

for f in "${pictures[@]}"; do
  if [ ! -s "$out/$f.png" ]; then
    echo "screenshot.sh: $out/$f.png was not made" >&2
    exit 1
  fi
  echo "saved $out/$f.png"
done

timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$shots" --probe --memory "$tmp/probe.sqlite"
timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$shots" --probe --study --memory "$tmp/probe-study.sqlite"
timeout 120 xvfb-run -a -s "-screen 0 1366x768x24" \
  "$shots" --probe --study --docked --memory "$tmp/probe-docked.sqlite"
timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$shots" --redraws --memory "$tmp/redraws.sqlite"
timeout 300 xvfb-run -a -s "-screen 0 1366x768x24" \
  "$shots" --redraws --docked --memory "$tmp/redraws-docked.sqlite"
