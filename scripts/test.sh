#!/usr/bin/env bash
# Builds Mollwick and runs every test. Installs what is missing first.
# Usage: scripts/test.sh [PRESET]   (default: dev; also asan, tsan, release)
set -euo pipefail
source "$(dirname "$0")/common.sh"
preset=${1:-dev}

mollwick_ensure_packages
cd "$mollwick_root"
cmake --preset "$preset"
cmake --build --preset "$preset"

# ThreadSanitizer cannot map its shadow memory under some kernels' address
# randomisation; running the tests without it is the usual remedy.
runner=()
if [ "$preset" = tsan ]; then
  runner=(setarch "$(uname -m)" -R)
fi
"${runner[@]}" ctest --preset "$preset"
