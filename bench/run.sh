#!/usr/bin/env bash
# Builds the release preset and runs benchmark groups, each beside a reference
# measured in the same run, then prints one summary line per figure:
#   GROUP.FIGURE  OURS UNIT  |  REFERENCE: VALUE UNIT  |  ratio X
# ratio is our cost over the reference's cost for the same work (1.00 is a tie,
# above 1 we are slower).
#
# Usage: bench/run.sh [GROUP...]     (no group: all of them)
# A group is a function group_NAME below or an executable bench/NAME.sh that
# prints its figures as lines beginning with "NAME.".
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/common.sh"

all_groups=(sha1 engine peers window)

build="$mollwick_root/build/release"
results="$build/bench-results"
summary="$results/summary.txt"

group_sha1() {
    cmake --build --preset release -j2 --target sha1_bench
    local program="$build/bench/sha1_bench"
    local data="$build/bench-data"
    local file="$data/sha1-1GiB.bin"
    mkdir -p "$data"
    # shellcheck disable=SC2064
    trap "rm -f '$file'" EXIT
    "$program" --make-file="$file" --size=$((1024 * 1024 * 1024))
    cat "$file" >/dev/null # into the page cache

    local common=(--file="$file" --benchmark_format=json --benchmark_repetitions=3
        --benchmark_report_aggregates_only=true --benchmark_min_time=0.5
        --benchmark_enable_random_interleaving=true)
    echo "sha1: our functions and OpenSSL with its SHA extensions" >&2
    "$program" "${common[@]}" >"$results/sha1.json"
    echo "sha1: OpenSSL without its SHA extensions" >&2
    OPENSSL_ia32cap=":~0x20000000" "$program" "${common[@]}" \
        --benchmark_filter='^OpenSsl' >"$results/sha1-openssl-noshaext.json"
    rm -f "$file"
    python3 "$here/sha1_summary.py" "$results/sha1.json" "$results/sha1-openssl-noshaext.json" \
        >>"$summary"
}

groups=("$@")
if [ "${#groups[@]}" -eq 0 ]; then
    groups=("${all_groups[@]}")
fi
for g in "${groups[@]}"; do
    if ! declare -F "group_$g" >/dev/null && [ ! -x "$here/$g.sh" ]; then
        echo "unknown benchmark group: $g (known: ${all_groups[*]})" >&2
        exit 2
    fi
done

mollwick_ensure_packages
cd "$mollwick_root"
cmake --preset release >/dev/null
mkdir -p "$results"
: >"$summary"

for g in "${groups[@]}"; do
    if declare -F "group_$g" >/dev/null; then
        "group_$g"
    else
        # The whole output goes to the terminal, the figures to the summary.
        "$here/$g.sh" >"$results/$g.txt"
        cat "$results/$g.txt" >&2
        grep "^$g\." "$results/$g.txt" |
            sed -e 's/  |  /\t|  /g' -e 's/^\([^ ]*\)  /\1\t/' >>"$summary" || true
    fi
done

echo
echo "Summary ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); each group says how it times)"
column -t -s $'\t' "$summary"
