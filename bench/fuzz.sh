#!/usr/bin/env bash
# Executions per second of each fuzz harness over a fixed run: the same seed,
# the tree's seed corpus only, RUNS inputs. The same commit gives the same
# inputs, so a parser that became slower shows as a lower figure.
#   bench/fuzz.sh [RUNS]    default 20000; build first with scripts/fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-20000}
declare -A max_len=([projectfile]=16384 [protocol]=16384 [density]=64 [replies]=4096 [densityblock]=4096 [readerexport]=16384 [csvexport]=1024)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export LC_ALL=C.UTF-8

for h in projectfile density replies protocol densityblock readerexport csvexport; do
    fuzzer=build-fuzz/fuzz/fuzz_$h
    [ -x "$fuzzer" ] || { echo "no $fuzzer: build first (scripts/fuzz)" >&2; exit 2; }
    mkdir -p "$dir/$h"
    dict=()
    [ -f "fuzz/$h.dict" ] && dict=(-dict="fuzz/$h.dict")
    # Wall and CPU seconds (user + system): on a busy machine the CPU figure
    # is the steadier one.
    TIMEFORMAT='%R %U %S'
    times=$( { time "$fuzzer" -seed=1 -runs="$runs" -max_len="${max_len[$h]}" -timeout=10 \
                   -artifact_prefix="$dir/" "${dict[@]}" "$dir/$h" "fuzz/corpus/$h" > "$dir/$h.log" 2>&1; } 2>&1 ) \
        || { echo "$h: finding, see scripts/fuzz" >&2; exit 1; }
    read -r wall user system <<< "$times"
    awk -v h="$h" -v n="$runs" -v w="$wall" -v u="$user" -v s="$system" \
        'BEGIN { printf "%-12s %9.0f exec/s wall %9.0f exec/s CPU\n", h, n / w, n / (u + s) }'
done
