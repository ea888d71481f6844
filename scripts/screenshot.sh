#!/usr/bin/env bash
# Takes docs/screenshot-main.png, the window after a content search of a small
# generated tree, and docs/screenshot-about.png, the same with the About box
# open over it, on a virtual display (Xvfb) with a plain window manager.
# Usage: scripts/screenshot.sh   (MOLLWICK_BUILD_JOBS=N limits the build jobs)
set -euo pipefail
source "$(dirname "$0")/common.sh"

if [ "${1:-}" = --on-display ]; then
  # Second stage, inside xvfb-run: window manager, window, picture.
  tree=$2
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  # One run per picture: MOLLWICK_DEMO_ABOUT=1 opens the About box after the search.
  for about in 0 1; do
    out=$3
    [ "$about" = 1 ] && out=$4
    MOLLWICK_DEMO_SOURCE=$tree MOLLWICK_DEMO_ABOUT=$about "$mollwick_root/build/release/ui/mollwick" &
    app=$!
    sleep 5 # the tree is small: the search has ended and the list is filled
    import -window root "$out"
    kill "$app"
    wait "$app" 2>/dev/null || true
  done
  kill "$wm"
  wait "$wm" 2>/dev/null || true
  exit 0
fi

mollwick_ensure_packages
cd "$mollwick_root"
if [ ! -f build/release/build.ninja ]; then
  cmake --preset release
fi
cmake --build --preset release --target mollwick ${MOLLWICK_BUILD_JOBS:+--parallel "$MOLLWICK_BUILD_JOBS"}

tree=$(mktemp -d "${TMPDIR:-/tmp}/mollwick-demo-XXXXXX")
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/Photos/2023 "$tree"/Photos/backup "$tree"/Phone/DCIM "$tree"/Music \
  "$tree"/Downloads "$tree"/Documents/old
head -c 180000 /dev/urandom >"$tree/Photos/2023/beach.jpg"
cp "$tree/Photos/2023/beach.jpg" "$tree/Photos/backup/beach.jpg"
cp "$tree/Photos/2023/beach.jpg" "$tree/Phone/DCIM/IMG_0042.jpg"
head -c 4200000 /dev/urandom >"$tree/Music/song.mp3"
cp "$tree/Music/song.mp3" "$tree/Downloads/song (1).mp3"
head -c 52000 /dev/urandom >"$tree/Documents/report.pdf"
cp "$tree/Documents/report.pdf" "$tree/Documents/old/report-final.pdf"
head -c 9000 /dev/urandom >"$tree/Documents/notes.txt"
head -c 70000 /dev/urandom >"$tree/Photos/2023/sunset.jpg"

mkdir -p docs
xvfb-run -a -s "-screen 0 1280x800x24" "$0" --on-display "$tree" \
  "$mollwick_root/docs/screenshot-main.png" "$mollwick_root/docs/screenshot-about.png"
echo "docs/screenshot-main.png docs/screenshot-about.png"
