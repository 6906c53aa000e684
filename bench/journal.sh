#!/usr/bin/env bash
# The journal on 100,000 archived runs: builds pleq-journal-bench, fills an
# SQLite archive with generated runs (kept in build/bench-journal/ for the
# next call) and prints the time of the journal window's open and of its
# filters and sorts (each the database's query plus the first rows shown).
#   bench/journal.sh [RUNS] [BUILD-DIR]    defaults: 100000, build
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-100000}
dir=${2:-build}
[ -f "$dir/build.ninja" ] || { echo "no $dir: build first (scripts/test)" >&2; exit 2; }
cmake --build "$dir" --target pleq-journal-bench > /dev/null

mkdir -p "$dir/bench-journal"
archive="$dir/bench-journal/archive-$runs.sqlite"
"$dir/bench/pleq-journal-bench" "$archive" "$runs"
echo "archive: $archive ($(du -h "$archive" | cut -f1))"
