#!/usr/bin/env bash
# pleq-cli.exe reads the plate reader through a Wine COM port: Wine maps
# WINEPREFIX/dosdevices/comN to the pseudo-terminal of the Linux reader
# simulator, so the Windows serial line (CreateFile on \\.\COMn, overlapped
# WaitCommEvent and ReadFile) talks to the same reader the Linux tests use.
#   comport.sh WINE-RUN PLEQ-CLI.EXE LINUX-BUILD FIXTURES WORK
# WINE-RUN runs a Windows program (the build's wine-run); LINUX-BUILD holds the
# Linux pleq-cli and pleq-reader-sim. Each case prints "ok" or what failed.
set -uo pipefail
wine_run=$1 cli_exe=$2 linux=$3 fixtures=$4 work=$5
sim=$linux/tools/reader-sim/pleq-reader-sim
linux_cli=$linux/cli/pleq-cli
prefix=$(sed -n "s/^export WINEPREFIX=\${WINEPREFIX:-\(.*\)}$/\1/p" "$wine_run")
prefix=${WINEPREFIX:-$prefix}
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
"$wine_run" cmd /c exit > /dev/null 2>&1 # the prefix made before the first case
"$linux_cli" fill "$fixtures/kit-02.plq" -o plate.plq || exit 1

failures=0
begin() { case=$1; before=$failures; }
end_case() { [ "$failures" -eq "$before" ] && echo "ok: $case"; }
fail() { echo "FAIL: $case: $*"; failures=$((failures + 1)); }
sims=()
# start_sim COM-NUMBER [simulator options]: a reader on a pty that COMn names.
start_sim() {
    local number=$1
    shift
    local link=$prefix/dosdevices/com$number
    rm -f "$link"
    "$sim" --link "$link" "$@" > "sim$number.out" 2> "sim$number.err" &
    sims+=($!)
    for _ in $(seq 100); do [ -L "$link" ] && return 0; sleep 0.05; done
    echo "the simulator for COM$number did not start" >&2
    exit 1
}
stop_sims() {
    for pid in "${sims[@]}"; do kill -INT "$pid" 2> /dev/null; done
    wait 2> /dev/null
    sims=()
}
trap stop_sims EXIT
# read_win COM-NUMBER OUT [options]: pleq-cli.exe read; status in $status, stderr in $err.
read_win() {
    local number=$1 out=$2
    shift 2
    "$wine_run" "$cli_exe" read plate.plq --port "$number" -o "$out" "$@" > out.txt 2> err.txt
    status=$?
    err=$(cat err.txt)
}
last_line() { printf '%s\n' "$err" | tail -n 1; }

begin "the plate read through COM12 (\\\\.\\COM12), byte for byte as on Linux"
start_sim 12
read_win 12 win.plq
[ "$status" -eq 0 ] || fail "status $status: $(last_line)"
start_sim 20 # the same reader (same seed) for the Linux program
"$linux_cli" read plate.plq --device "$prefix/dosdevices/com20" -o linux.plq 2> /dev/null || fail "Linux read failed"
cmp -s win.plq linux.plq || fail "win.plq differs from linux.plq"
# The simulator's first density (A1) and the last one read (H12), as a reader sends them.
grep -qx $'1.482\r' win.plq || fail "A1's density 1.482 missing"
end_case

begin "replies split after byte 7 and merged: the same plate"
stop_sims
start_sim 13 --split-at 7
read_win 13 split.plq
[ "$status" -eq 0 ] && cmp -s split.plq linux.plq || fail "status $status, $(last_line)"
start_sim 14 --merge
read_win 14 merged.plq
[ "$status" -eq 0 ] && cmp -s merged.plq linux.plq || fail "status $status, $(last_line)"
end_case

begin "a damaged reply refused, nothing written"
start_sim 15 --damage 3
read_win 15 damaged.plq
[ "$status" -eq 1 ] || fail "status $status"
[ "$(last_line)" = "pleq-cli: Данные ридера не приняты: строка «2.70 3.182 0.394 1.506 2.618 3…» не делится на значения по 5 знаков. Получено знаков без пробелов: 479 («1.4822.5323.5820.7321.7822.832…»). Плотности не записаны, повторите чтение." ] \
    || fail "message: $(last_line)"
[ ! -e damaged.plq ] || fail "damaged.plq written"
end_case

begin "a port that does not exist"
rm -f "$prefix/dosdevices/com9"
read_win 9 none.plq
[ "$status" -eq 1 ] && [ "$(last_line)" = "pleq-cli: Error opening port COM9" ] || fail "status $status, $(last_line)"
[ ! -e none.plq ] || fail "none.plq written"
end_case

begin "a port another program holds"
start_sim 16 --delay 400
"$wine_run" "$cli_exe" read plate.plq --port 16 -o first.plq > /dev/null 2> first.err &
first=$!
for _ in $(seq 200); do grep -q "Попытка инициализации" first.err 2> /dev/null && break; sleep 0.05; done
read_win 16 second.plq
[ "$status" -eq 1 ] && [ "$(last_line)" = "pleq-cli: Error opening port COM16" ] || fail "status $status, $(last_line)"
[ ! -e second.plq ] || fail "second.plq written"
wait "$first" || fail "the first reader's read failed: $(tail -n 1 first.err)"
cmp -s first.plq linux.plq || fail "the first reader's plate differs"
end_case

begin "the cable pulled mid-read: a message naming the port, nothing written, the port released"
start_sim 17 --hang-up 3
read_win 17 pulled.plq
# The next "X 0" cannot be written: the port's error, as on Linux.
[ "$status" -eq 1 ] && [ "$(last_line)" = "pleq-cli: Error writing port COM17" ] || fail "status $status, $(last_line)"
[ ! -e pulled.plq ] || fail "pulled.plq written"
start_sim 17
read_win 17 again.plq
[ "$status" -eq 0 ] && cmp -s again.plq linux.plq || fail "COM17 not usable again: status $status, $(last_line)"
end_case

begin "a reader that never answers"
start_sim 18 --silent
read_win 18 silent.plq --silence 1
[ "$status" -eq 1 ] && [ "$(last_line)" = "pleq-cli: the reader did not answer for 1 s" ] || fail "status $status, $(last_line)"
[ ! -e silent.plq ] || fail "silent.plq written"
end_case

stop_sims
[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
