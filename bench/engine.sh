#!/usr/bin/env bash
# Benchmark group `engine` (see bench/engine.py). Extra arguments go to engine.py,
# e.g. --repeat 1. MOLLWICK_CLI names another mollwick-cli to time.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
mollwick_ensure_packages
cd "$mollwick_root"
cli=${MOLLWICK_CLI:-$mollwick_root/build/release/cli/mollwick-cli}
if [ -z "${MOLLWICK_CLI:-}" ]; then
  [ -f build/release/build.ninja ] || cmake --preset release >/dev/null
  cmake --build --preset release --target mollwick-cli >/dev/null
fi
exec python3 bench/engine.py --cli "$cli" "$@"
