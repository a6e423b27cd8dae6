#!/usr/bin/env bash
# The program under a real X server, as the desktop sees its windows: each caption exactly as
# written, with nothing appended, and the question answered from the keyboard; and SIGTERM, as a
# closing session sends it, ending the program at once and unasked whatever it shows.
# Usage: x11_captions_test.sh BIN_DIR (run inside xvfb-run).
set -euo pipefail
bin_dir=$1
work=$(mktemp -d)
# The test command runs everything else offscreen.
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A program without db/ beside it looks in the user's data folder: an empty home of its own.
export HOME=$work/home
unset XDG_DATA_HOME
mkdir "$HOME"
pid=
trap '[[ -n $pid ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Prints the visible window whose name is exactly $1, waiting for it up to $2 tenths of a second.
window_named() {
    for _ in $(seq "${2:-200}"); do
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            [[ $(xdotool getwindowname "$id" 2>/dev/null) == "$1" ]] && { echo "$id"; return 0; }
        done
        sleep 0.1
    done
    echo "visible windows:" >&2
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do xdotool getwindowname "$id" >&2 || true; done
    return 1
}

# With the catalogue: the main window, and the clear question over it.
mkdir -p "$work/with/db"
cp "$bin_dir/vorn-search" "$work/with/"
cp "$bin_dir/db/vrn_data.db" "$work/with/db/"
"$work/with/vorn-search" &
pid=$!
main=$(window_named "ヴォルン商品情報取得ソフト") || fail "no main window captioned ヴォルン商品情報取得ソフト"
# A window that has only just appeared may not take the key yet: press again if nothing came.
for _ in 1 2 3; do
    xdotool windowfocus --sync "$main"
    xdotool key alt+n
    question=$(window_named "変更確認" 50) && break
done
[[ -n ${question:-} ]] || fail "the clear question is not captioned 変更確認 alone"
xdotool key n
for _ in $(seq 50); do
    [[ -z $(xdotool search --onlyvisible --name '^変更確認$' 2>/dev/null) ]] && break
    sleep 0.1
done
[[ -z $(xdotool search --onlyvisible --name '^変更確認$' 2>/dev/null) ]] || fail "N did not answer the question"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=

# Without the catalogue: the settings error, then the program ends.
mkdir -p "$work/without"
cp "$bin_dir/vorn-search" "$work/without/"
"$work/without/vorn-search" &
pid=$!
window_named "設定エラー" >/dev/null || fail "the missing-database box is not captioned 設定エラー alone"
xdotool key Return
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after the settings error"
wait "$pid" || fail "the program ended with $?"
pid=

# SIGTERM with a refusal box open, then during a run of the sample site: status 0 within 5 s.
until_true() { for _ in $(seq "${2:-300}"); do eval "$1" && return 0; sleep 0.1; done; fail "never: $1"; }
"$bin_dir/vorn-sample-site" >"$work/site.log" 2>&1 &
trap '[[ -n $pid ]] && kill "$pid"; kill '$!'; rm -rf "$work"' EXIT
until_true "grep -q '^CA file: ' '$work/site.log'"
# $1 the [Config] lines; 取得開始 is pressed until a window captioned $2 shows. $3 what SIGTERM meets.
run_until_sigterm() {
    sed -e '1i[Config]\r' -e "s/^base URL: /$1[Site]\r\nBaseUrl=/" -e 's/^CA file: /CaFile=/' -e 's/$/\r/' "$work/site.log" >"$work/with/db/vrn.ini"
    "$work/with/vorn-search" & pid=$!
    until_true "xdotool windowfocus --sync \$(window_named 'ヴォルン商品情報取得ソフト') key alt+r; window_named '$2' 5 >/dev/null" 10
    [[ $2 == Error ]] || { xdotool key ctrl+a type "$work/out.csv"; xdotool key Return; until_true "(( \$(grep -c \$'\\r\$' '$work/out.csv' 2>/dev/null || echo 0) >= 2 ))"; }
    kill "$pid"
    until_true "! kill -0 $pid 2>/dev/null" 50
    wait "$pid" || fail "ended with status $? ($3)"
    pid=
}
run_until_sigterm "" "Error" "a refusal box open"
LC_ALL=C grep -q $'^Arealist=0*\r$' "$work/with/db/vrn.ini" || fail "no settings saved with the box open"
run_until_sigterm 'Areasel=0\r\nCtgrlist=1\r\nArealist=0000000000001\r\n' "取得情報の保存先を指定してください" "a run"
/usr/bin/python3 -c 'import csv, io, sys; data = open(sys.argv[1], "rb").read(); rows = list(csv.reader(io.StringIO(data.decode("cp932"), newline=""))); assert data.endswith(b"\r\n") and 2 <= len(rows) < 21 and all(len(r) == 26 for r in rows[1:])' "$work/out.csv" || fail "not the whole rows of a stopped run"
[[ ! -e $work/with/db/tmp.dat ]] && flock -n "$work/with/db/run.lock" true || fail "scratch file or run lock left"
LC_ALL=C grep -q $'^Ctgrlist=10*\r$' "$work/with/db/vrn.ini" || fail "no settings saved after the run"
echo "captions as written"
