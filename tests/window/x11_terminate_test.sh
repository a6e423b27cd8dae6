#!/usr/bin/env bash
# The built window ended by SIGTERM, as a closing session ends it: with a refusal box open, then
# during a run of the sample site. Each time it ends at once with status 0 and asks nothing; the
# run's rows are whole, its scratch file and lock gone, and the settings saved.
# Usage: x11_terminate_test.sh BIN_DIR SAMPLE_SITE (run inside xvfb-run).
set -euo pipefail
bin_dir=$1
sample_site=$2
work=$(mktemp -d)
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME=$work/home
mkdir "$HOME"
pid=
site_pid=
trap '[[ -n $pid ]] && kill -9 "$pid" 2>/dev/null; [[ -n $site_pid ]] && kill "$site_pid" 2>/dev/null; rm -rf "$work"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Waits up to $2 tenths of a second for $1 to succeed.
wait_for() {
    for _ in $(seq "$2"); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

window_named() {
    local id
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        [[ $(xdotool getwindowname "$id" 2>/dev/null) == "$1" ]] && { echo "$id"; return 0; }
    done
    return 1
}

# Presses 取得開始 (Alt+R) until a window named $1 opens.
start_until() {
    local main
    main=$(wait_for 'window_named "ヴォルン商品情報取得ソフト" >/dev/null' 200 && window_named "ヴォルン商品情報取得ソフト") ||
        fail "no main window"
    for _ in 1 2 3 4 5; do
        xdotool windowfocus --sync "$main"
        xdotool key alt+r
        wait_for "window_named '$1' >/dev/null" 30 && return 0
    done
    fail "no window named $1 after 取得開始"
}

# Sends SIGTERM and expects the program gone with status 0 within 5 s.
terminate() {
    kill -TERM "$pid"
    wait_for "! kill -0 $pid 2>/dev/null" 50 || fail "still running 5 s after SIGTERM ($1)"
    local status=0
    wait "$pid" || status=$?
    pid=
    [[ $status -eq 0 ]] || fail "ended with status $status ($1)"
}

"$sample_site" >"$work/site.log" 2>&1 &
site_pid=$!
wait_for "grep -q '^CA file: ' '$work/site.log'" 100 || fail "the sample site did not start"
site_section=$(printf '[Site]\r\nBaseUrl=%s\r\nCaFile=%s\r\n' "$(sed -n 's/^base URL: //p' "$work/site.log")" \
    "$(sed -n 's/^CA file: //p' "$work/site.log")")
folder=$work/program
mkdir -p "$folder/db"
cp "$bin_dir/vorn-search" "$folder/"
cp "$bin_dir/db/vrn_data.db" "$folder/db/"

# No area chosen: 取得開始 is refused with a box.
printf '%s' "$site_section" >"$folder/db/vrn.ini"
"$folder/vorn-search" &
pid=$!
start_until "Error"
terminate "refusal box open"
LC_ALL=C grep -q $'^Arealist=' "$folder/db/vrn.ini" || fail "the settings were not saved with the box open"

# 東京都 and 家具: a run of 20 listings with the pause after each page; the settings saved on the
# way out write the genres as 20 digits.
printf '[Config]\r\nWord=\r\nAreasel=0\r\nImageDir=\r\nCheckImage=0\r\nCtgrlist=1\r\nArealist=0000000000001\r\n%s' \
    "$site_section" >"$folder/db/vrn.ini"
"$folder/vorn-search" &
pid=$!
start_until "取得情報の保存先を指定してください"
xdotool key ctrl+a
xdotool type --delay 5 "$work/out.csv"
xdotool key Return
wait_for "[[ \$(grep -c \$'\\r\$' '$work/out.csv' 2>/dev/null) -ge 2 ]]" 300 || fail "no row written"
terminate "during a run"
/usr/bin/python3 - "$work/out.csv" <<'PY' || fail "the CSV is not whole rows"
import csv, io, sys
data = open(sys.argv[1], "rb").read()
assert data.endswith(b"\r\n"), "the last row is cut"
rows = list(csv.reader(io.StringIO(data.decode("cp932"), newline="")))
# Every row ends in a comma after its 25 values.
assert len(rows) >= 2 and all(len(r) == 26 and r[-1] == "" for r in rows[1:]), [len(r) for r in rows]
assert len(rows) < 21, "the run was not stopped"
PY
[[ ! -e $folder/db/tmp.dat ]] || fail "the scratch file was left"
flock -n "$folder/db/run.lock" true || fail "the run lock is still held"
LC_ALL=C grep -q $'^Ctgrlist=10*\r$' "$folder/db/vrn.ini" || fail "the settings were not saved after the run"
echo "ended cleanly"
