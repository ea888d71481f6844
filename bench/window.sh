#!/usr/bin/env bash
# Benchmark group `window` (see bench/window.py), offscreen. Extra arguments go
# to window.py, e.g. --repeat 1. MOLLWICK_KEEP_TREE=1 (or --keep) keeps the
# generated search tree in build/release/bench-data/ for the next run.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
mollwick_ensure_packages
cd "$mollwick_root"
[ -f build/release/build.ninja ] || cmake --preset release >/dev/null
cmake --build --preset release -j2 --target window_bench >/dev/null
export QT_QPA_PLATFORM=offscreen
exec python3 bench/window.py --bench build/release/bench/window_bench \
  --data build/release/bench-data ${MOLLWICK_KEEP_TREE:+--keep} "$@"
