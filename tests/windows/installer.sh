#!/usr/bin/env bash
# The Windows installer in a fresh Wine prefix, nothing of the build on the
# DLL path: the silent install, the files, the Start-menu entry and the .plq
# type; the installed pleq-cli.exe (check, protocol as text and PDF, archive
# add and verify on SQLite in the user's data folder and on PostgreSQL) with
# the Linux pleq-cli's output for each; pleq.exe opening a project in its main
# window and staying up; the silent uninstall.
#   installer.sh INSTALLER LINUX-PLEQ-CLI FIXTURES [POSTGRESQL-ADDRESS]
set -uo pipefail
installer=$1 linux_cli=$2 fixtures=$3 pg=${4:-}
session=$(cd "$(dirname "$0")" && pwd)/wine-session
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/pleq-install-XXXXXX)
work=$(mktemp -d /tmp/pleq-install-work-XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH
cleanup() { wineserver -k 2> /dev/null; rm -rf "$WINEPREFIX" "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

wine wineboot -i > /dev/null 2>&1
wine "$installer" /S > /dev/null 2>&1 || fail "the installer's status is $?"
wineserver -w
dir="$WINEPREFIX/drive_c/Program Files/Pleq"
for f in pleq.exe pleq-cli.exe Uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6PrintSupport.dll Qt6Sql.dll \
         libpq.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll qt.conf \
         plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll plugins/styles/qwindowsvistastyle.dll \
         plugins/sqldrivers/qsqlite.dll plugins/sqldrivers/qsqlpsql.dll translations/qtbase_ru.qm \
         fonts/DejaVuSansMono.ttf fonts/DejaVu-LICENSE.txt; do
    [ -e "$dir/$f" ] || fail "the installation lacks $f"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pleq/Pleq.lnk"
[ -e "$menu" ] || fail "no Start-menu entry Pleq"
reg_value() { wine reg query "$1" /ve 2> /dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'; }
[ "$(reg_value 'HKLM\Software\Classes\.plq')" = "Pleq.Project" ] || fail ".plq is not Pleq.Project"
[ "$(reg_value 'HKLM\Software\Classes\Pleq.Project\shell\open\command')" = '"C:\Program Files\Pleq\pleq.exe" "%1"' ] \
    || fail "the open command is $(reg_value 'HKLM\Software\Classes\Pleq.Project\shell\open\command')"
[ "$failures" -eq 0 ] && ok "installed silently: files, Start-menu entry, .plq type"

cd "$work" || exit 1
cp "$fixtures/three-samples.plq" plate.plq
# Wine's own processes write into a log, not into the outputs compared below.
"$session" start "$work/wine-system.log" wine
cli=("wine" "$dir/pleq-cli.exe")
same() { # same LABEL ARGS...: the installed program's status and output as Linux pleq-cli's
    local label=$1
    shift
    "${cli[@]}" "$@" > win.out 2> win.err
    local ws=$?
    "$linux_cli" "$@" > linux.out 2> linux.err
    local ls=$?
    if [ "$ws" -eq "$ls" ] && cmp -s win.out linux.out && cmp -s win.err linux.err; then
        ok "$label"
    else
        fail "$label: status $ws (Linux $ls); $(head -c 300 win.err)"
    fi
}
same "check" check plate.plq
same "protocol" protocol plate.plq --decimal ,
"${cli[@]}" protocol plate.plq -o win.txt --pdf win.pdf > /dev/null 2>&1
"$linux_cli" protocol plate.plq -o linux.txt > /dev/null 2>&1
cmp -s win.txt linux.txt && ok "protocol written to a file, as on Linux" || fail "protocol file differs"
[ "$(head -c 5 win.pdf 2> /dev/null)" = "%PDF-" ] && ok "protocol as PDF (the installed font)" || fail "no PDF"

"${cli[@]}" archive add plate.plq > add.out 2> add.err
status=$?
data="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Pleq/archive.sqlite"
[ "$status" -eq 0 ] && [ -f "$data" ] && ok "archive add into the user's local data folder" \
    || fail "archive add: status $status, $(cat add.err), archive at $data: $(ls "$(dirname "$data")" 2>&1)"
"${cli[@]}" archive verify > verify.out 2>&1 && grep -q "Единственная запись архива цела." verify.out \
    && ok "archive verify" || fail "archive verify: $(cat verify.out)"
if [ -n "$pg" ]; then
    "${cli[@]}" archive add plate.plq --archive "$pg" > pg.out 2>&1 && "${cli[@]}" archive verify --archive "$pg" >> pg.out 2>&1 \
        && ok "archive add and verify on PostgreSQL (the installed libpq)" || fail "PostgreSQL: $(cat pg.out)"
fi

"$session" stop

# The window: pleq.exe opens the project and stays up.
xvfb-run -a -s "-screen 0 1366x768x24" wine "$dir/pleq.exe" plate.plq > gui.log 2>&1 &
gui=$!
sleep 15
if kill -0 "$gui" 2> /dev/null; then ok "pleq.exe up after 15 s"; else fail "pleq.exe ended: $(cat gui.log)"; fi
wineserver -k 2> /dev/null
wait "$gui" 2> /dev/null

wine "$dir/Uninstall.exe" /S '_?=C:\Program Files\Pleq' > /dev/null 2>&1
wineserver -w
rm -f "$dir/Uninstall.exe"
[ ! -e "$dir/pleq.exe" ] && [ ! -e "$menu" ] && [ -z "$(reg_value 'HKLM\Software\Classes\Pleq.Project\shell\open\command')" ] \
    && ok "uninstalled silently" || fail "left after uninstall: $(ls "$dir" 2>&1 | head -5)"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
