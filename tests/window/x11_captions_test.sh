#!/usr/bin/env bash
# The program under a real X server, as the desktop sees its windows: each caption exactly as
# written, with nothing appended, and the question answered from the keyboard.
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
echo "captions as written"
