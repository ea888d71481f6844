#!/usr/bin/env bash
# Benchmark group `engine` (see bench/engine.py and bench/cli_group.sh).
exec "$(dirname "$0")/cli_group.sh" engine "$@"
