#!/usr/bin/env bash
# Runs a benchmark group that times mollwick-cli: bench/cli_group.sh NAME [ARGS...]
# runs bench/NAME.py with the release mollwick-cli; extra arguments go to it,
# e.g. --repeat 1. MOLLWICK_CLI names another mollwick-cli to time.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
group=$1
shift
mollwick_ensure_packages
cd "$mollwick_root"
cli=${MOLLWICK_CLI:-$mollwick_root/build/release/cli/mollwick-cli}
if [ -z "${MOLLWICK_CLI:-}" ]; then
  [ -f build/release/build.ninja ] || cmake --preset release >/dev/null
  cmake --build --preset release --target mollwick-cli >/dev/null
fi
exec python3 "bench/$group.py" --cli "$cli" "$@"
