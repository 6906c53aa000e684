#!/usr/bin/env bash
# How fast "pleq-cli archive import" stores plates: writes a folder of
# projects (the five kits, both materials, laid out by "pleq-cli fill", every
# plate with densities of its own and a time of its own), imports them on one
# core (taskset -c 0) into a new SQLite file and into a new database on a
# PostgreSQL server of the script's own (scripts/pg-test-server), verifies
# each and prints plates per second and the figures.
#   bench/archive-import.sh [PLATES] [PLEQ-CLI]    defaults: 2000 plates, build/cli/pleq-cli
set -euo pipefail
cd "$(dirname "$0")/.."

plates=${1:-2000}
cli=${2:-build/cli/pleq-cli}
[ -x "$cli" ] || { echo "no $cli: build first (scripts/test)" >&2; exit 2; }
command -v taskset > /dev/null || { echo "taskset (util-linux) is needed" >&2; exit 2; }

dir=$(mktemp -d)
chmod 755 "$dir" # the PostgreSQL server runs as its own user when this runs as root
cleanup() {
    [ -d "$dir/pg" ] && scripts/pg-test-server stop "$dir/pg" > /dev/null 2>&1
    [ -n "${KEEP:-}" ] || rm -rf "$dir"
}
trap cleanup EXIT
mkdir "$dir/templates" "$dir/plates"

kits=("01 - Набор «Зорвал-SR»" "02 - Набор «Зорвал-К»" "03 - Набор «Кимрен»"
      "04 - (Скриннинг) Набор «Тальвик»" "05 - (Верификация) Набор «Тальвик»")
letters=(A B C D E F G H)
samples=45 # as many sample pairs as kits 01 and 05 can place

# One project file (249 + 3·N lines, Windows-1251, CR LF) before the fill, as
# in bench/calc.sh; the densities are placeholders the generator below replaces.
write_project() {
    local kit=$1 material=$2 c r i
    {
        echo "Bench"
        echo "${kits[kit - 1]}"
        for c in $(seq 0 12); do
            for r in $(seq 0 8); do
                if [ "$r" = 0 ] && [ "$c" -gt 0 ]; then echo "$c"
                elif [ "$c" = 0 ] && [ "$r" -gt 0 ]; then echo "${letters[r - 1]}"
                else echo " - "; fi
            done
        done
        printf '%s\n' "Bench" "A" "1" "FALSE" "TRUE" "1" "01" "$((samples + 1))"
        echo "№"; for i in $(seq 1 "$samples"); do echo "$i"; done; echo
        echo "Проба "; for i in $(seq 1 "$samples"); do echo "Проба №$i"; done; echo
        echo "Кол-во"; for i in $(seq 1 "$samples"); do echo "1"; done; echo
        for c in $(seq 0 12); do
            for r in $(seq 0 8); do
                if [ "$r" = 0 ] && [ "$c" -gt 0 ]; then echo "$c"
                elif [ "$c" = 0 ] && [ "$r" -gt 0 ]; then echo "${letters[r - 1]}"
                elif [ "$c" = 0 ]; then echo
                else echo "0.5"; fi
            done
        done
        if [ "$material" = 0 ]; then printf '1\n0\n'; else printf '0\n1\n'; fi
    } | sed 's/$/\r/' | iconv -f UTF-8 -t CP1251
}

for kit in 1 2 3 4 5; do
    for material in 0 1; do
        write_project "$kit" "$material" > "$dir/raw.plq"
        "$cli" fill "$dir/raw.plq" -o "$dir/templates/kit$kit-$material.plq"
    done
done

# The plates: a template each in turn, every density drawn anew, the plate
# named by its number, the file's time one hour after the one before, in
# folders of 500 as a lab keeps them by month.
python3 - "$dir/templates" "$dir/plates" "$plates" <<'PY'
import os, random, sys
templates, out, plates = sys.argv[1], sys.argv[2], int(sys.argv[3])
random.seed(7)
files = sorted(os.listdir(templates))
lines = [open(os.path.join(templates, f), 'rb').read().split(b'\r\n') for f in files]
start = 1767225600  # 2026-01-01 00:00 UTC
for n in range(plates):
    t = list(lines[n % len(lines)])
    t[119] = ('Планшет %d' % (n + 1)).encode('cp1251')  # the plate name
    # the densities: the 13 x 9 grid before the two material lines, column by
    # column as the layout (lines 2 ..); as the reader does, only laid-out wells get one
    first = len(t) - 1 - 2 - 117
    for c in range(1, 13):
        for r in range(1, 9):
            laid = t[2 + c * 9 + r] != b' - '
            t[first + c * 9 + r] = ('%.3f' % random.uniform(0.02, 2.5)).encode() if laid else b''

    folder = os.path.join(out, 'm%03d' % (n // 500))
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, 'plate%05d.plq' % (n + 1))
    open(path, 'wb').write(b'\r\n'.join(t))
    os.utime(path, (start + 3600 * n, start + 3600 * n))
PY

# The wall time and the processor time (user + system) of one command: on a
# machine shared with other work the two differ, and the second is the program's own.
timed() {
    local out=$1; shift
    TIMEFORMAT='%R %U %S'
    { time "$@" > "$out" 2> "$out.err"; } 2> "$dir/time" || { cat "$out.err" >&2; echo "$* failed" >&2; exit 1; }
    read -r wall user sys < "$dir/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}

# One back end: the import into a new archive, then its verify.
measure() {
    local name=$1 archive=$2 shown=$3
    timed "$dir/import.txt" taskset -c 0 "$cli" archive import "$dir/plates" --archive "$archive"
    local import_wall=$wall import_cpu=$cpu
    timed "$dir/verify.txt" taskset -c 0 "$cli" archive verify --archive "$archive"
    sed "s|$archive|$shown|" "$dir/import.txt"
    sed "s|$archive|$shown|" "$dir/verify.txt"
    echo "$name: $(awk -v t="$import_wall" -v n="$plates" 'BEGIN { printf "%.0f", n / t }') plates/s" \
         "($(awk -v t="$import_cpu" -v n="$plates" 'BEGIN { printf "%.0f", n / t }') by processor time;" \
         "$plates plates in ${import_wall} s on one core, processor time ${import_cpu} s," \
         "$(awk -v t="$import_cpu" -v n="$plates" 'BEGIN { printf "%.2f", 1000 * t / n }') ms per plate);" \
         "verify ${wall} s (processor time ${cpu} s)"
}

measure "SQLite" "$dir/archive.sqlite" "archive.sqlite"
echo "  archive $(( $(du -k "$dir/archive.sqlite" | cut -f1) / 1024 )) MB"
if scripts/pg-test-server start "$dir/pg" > "$dir/pg.log" 2>&1; then
    measure "PostgreSQL" "$(cat "$dir/pg/address")" "postgresql"
else
    echo "PostgreSQL: not measured, its server did not start:" >&2
    cat "$dir/pg.log" >&2
fi
