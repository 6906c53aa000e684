#!/usr/bin/env bash
# How long "pleq-cli calc" takes per plate: writes a folder of projects (the
# five kits, both materials, a full plate of reader densities, laid out by
# "pleq-cli fill"), then calculates each one with --json and prints the time.
#   bench/calc.sh [PLATES] [PLEQ-CLI]    defaults: 100 plates, build/cli/pleq-cli
set -euo pipefail
cd "$(dirname "$0")/.."

plates=${1:-100}
cli=${2:-build/cli/pleq-cli}
[ -x "$cli" ] || { echo "no $cli: build first (scripts/test)" >&2; exit 2; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

kits=("01 - Набор «Зорвал-SR»" "02 - Набор «Зорвал-К»" "03 - Набор «Кимрен»"
      "04 - (Скриннинг) Набор «Тальвик»" "05 - (Верификация) Набор «Тальвик»")
letters=(A B C D E F G H)
samples=45 # as many sample pairs as kits 01 and 05 can place

# One project file (249 + 3·N lines, Windows-1251, CR LF) before the fill:
# executor, kit row, layout, plate settings, sample table, densities, material.
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
                else printf '0.%03d\n' $((RANDOM % 1000)); fi
            done
        done
        if [ "$material" = 0 ]; then printf '1\n0\n'; else printf '0\n1\n'; fi
    } | sed 's/$/\r/' | iconv -f UTF-8 -t CP1251
}

for n in $(seq 1 "$plates"); do
    kit=$(( (n - 1) % 5 + 1 ))
    write_project "$kit" $(( n % 2 )) > "$dir/raw.plq"
    "$cli" fill "$dir/raw.plq" -o "$dir/plate$n.plq"
done
rm "$dir/raw.plq"

start=$(date +%s%N)
for f in "$dir"/plate*.plq; do
    status=0
    "$cli" calc "$f" --json > /dev/null || status=$?
    [ "$status" -le 1 ] || { echo "pleq-cli calc failed on $f" >&2; exit 1; }
done
end=$(date +%s%N)

total_ms=$(( (end - start) / 1000000 ))
echo "pleq-cli calc: $plates plates in ${total_ms} ms, $(awk -v t="$total_ms" -v n="$plates" 'BEGIN { printf "%.1f", t / n }') ms per plate (process start included)"
