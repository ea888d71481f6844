#!/usr/bin/env bash
# Benchmark group `peers` (see bench/peers.py and bench/cli_group.sh).
exec "$(dirname "$0")/cli_group.sh" peers "$@"
