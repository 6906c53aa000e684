#!/usr/bin/env bash
# What one acquisition costs beyond the waiting the reader protocol mandates:
# "pleq-cli read --stats" against the simulated reader, a few runs per mode.
#   bench/reader.sh [RUNS] [BUILD-DIR]    defaults: 3 runs, build/
# Prints per mode the acquisition's wall time, the pauses it must sleep
# (200 + 200 + 300 + 300 + 3800 ms and 300 ms per "X 0"), the simulator's own
# reply delays, the overhead (wall - pauses - reply delays), the CPU time of
# the program during the acquisition as a share of its wall time, and the
# longest time its event loop was kept from its next turn (from waking to its
# next wait for events).
#   immediate: the simulator answers at once (no delays to subtract)
#   paced:     bytes one at a time at 9600 baud and 5 ms turnaround, as a real
#              line; every reply lands inside the pause after its command, so
#              its delays overlap the pauses and are not subtracted again
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
build=${2:-build}
cli=$build/cli/pleq-cli
sim=$build/tools/reader-sim/pleq-reader-sim
for f in "$cli" "$sim"; do
    [ -x "$f" ] || { echo "no $f: build first (scripts/test)" >&2; exit 2; }
done
project=tests/files/fixtures/three-samples.plq

dir=$(mktemp -d)
simpid=
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT

# one_run MODE SIM-OPTIONS...: prints "wall pauses delays cpu gap" in ms
one_run() {
    "$sim" "$@" --link "$dir/reader" >"$dir/sim.out" 2>"$dir/sim.err" &
    simpid=$!
    while [ ! -e "$dir/reader" ]; do sleep 0.01; done
    "$cli" read "$project" --device "$dir/reader" --stats -o "$dir/out.plq" 2>"$dir/read.err"
    kill -INT "$simpid"
    wait "$simpid" || true
    simpid=
    local stats delay_us
    stats=$(grep '^stats:' "$dir/read.err")
    delay_us=$(sed -n 's/.*delay_us=\([0-9]*\).*/\1/p' "$dir/sim.err")
    echo "$stats delay_us=$delay_us" |
        sed 's/stats: wall_ms=\([0-9.]*\) pauses_ms=\([0-9]*\) cpu_ms=\([0-9.]*\) max_gap_ms=\([0-9.]*\) delay_us=\([0-9]*\)/\1 \2 \5 \3 \4/'
}

printf '%-10s %9s %9s %9s %12s %10s %11s\n' mode "wall s" "pauses s" "delays s" "overhead ms" "cpu/wall" "max gap ms"
for mode in immediate paced; do
    case $mode in
        immediate) options=(--turnaround 0); subtract=1 ;;
        paced) options=(--paced); subtract=0 ;;
    esac
    for i in $(seq 1 "$runs"); do
        read -r wall pauses delay_us cpu gap < <(one_run "${options[@]}")
        awk -v m="$mode" -v w="$wall" -v p="$pauses" -v d="$delay_us" -v c="$cpu" -v s="$subtract" -v g="$gap" 'BEGIN {
            delays = d / 1000.0
            printf "%-10s %9.3f %9.3f %9.3f %12.1f %9.2f%% %11.1f\n", m, w / 1000, p / 1000, delays / 1000,
                   w - p - s * delays, 100 * c / w, g }'
    done
done
