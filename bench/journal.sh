#!/usr/bin/env bash
# The journal on 100,000 archived runs, from each back end: builds
# pleq-journal-bench, fills an SQLite archive (kept in build/bench-journal/
# for the next call) and a database on a PostgreSQL server of its own
# (scripts/pg-test-server, started for the run and stopped after it) with
# generated runs, and prints for each the time of the journal window's reads
# and the longest gap of its event loop meanwhile (goal: under 100 ms).
#   bench/journal.sh [RUNS] [BUILD-DIR]    defaults: 100000, build
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-100000}
dir=${2:-build}
[ -f "$dir/build.ninja" ] || { echo "no $dir: build first (scripts/test)" >&2; exit 2; }
cmake --build "$dir" --target pleq-journal-bench > /dev/null

mkdir -p "$dir/bench-journal"
archive="$dir/bench-journal/archive-$runs.sqlite"
echo "SQLite:"
"$dir/bench/pleq-journal-bench" "$archive" "$runs"
echo "archive: $archive ($(du -h "$archive" | cut -f1))"

server="$(pwd)/$dir/bench-journal/pg"
trap 'scripts/pg-test-server stop "$server" > /dev/null 2>&1 || true' EXIT
scripts/pg-test-server start "$server"
echo
echo "PostgreSQL:"
"$dir/bench/pleq-journal-bench" "$(cat "$server/address")" "$runs"
