#!/usr/bin/env bash
# Builds the release preset and runs benchmark groups: bench/run.sh [GROUP...]
# A group is a script bench/GROUP.sh printing lines of the form
#   GROUP.FIGURE  OURS UNIT  |  REFERENCE: VALUE UNIT  |  ratio X
# (ratio = our cost / the reference's, measured in the same run).
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
mollwick_ensure_packages
cd "$mollwick_root"
cmake --preset release
cmake --build --preset release

groups=("$@")
if [ "${#groups[@]}" -eq 0 ]; then
  groups=(engine peers)
fi
for group in "${groups[@]}"; do
  if [ ! -f "bench/$group.sh" ]; then
    echo "unknown benchmark group: $group" >&2
    exit 1
  fi
  bash "bench/$group.sh"
done
