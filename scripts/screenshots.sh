#!/usr/bin/env bash
# Retakes the README's screenshots from the demo: ./scripts/screenshots.sh
# The demo's window runs in Xvfb under openbox, so that every caption shows in its title bar;
# xdotool plays the user (check 千葉県 and 自転車, open the options and close them, start, cancel) and ImageMagick takes the
# pictures into docs/. Nothing is sent anywhere but the sample site on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."
VORN_EXTRA_PACKAGES="openbox imagemagick" ./scripts/deps.sh

export DISPLAY=${VORN_SCREENSHOT_DISPLAY:-:77} QT_QPA_PLATFORM=xcb
pids=()
# The demo's window and site are its children: ended by their parent, not by a name another
# program folder's demo may share.
trap 'for p in "${pids[@]}"; do pkill -P "$p" 2>/dev/null || true; done; kill "${pids[@]}" 2>/dev/null || true' EXIT
Xvfb "$DISPLAY" -screen 0 700x560x24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
openbox >/dev/null 2>&1 &
pids+=($!)
./scripts/demo.sh >/dev/null 2>&1 &
pids+=($!)

main=
for _ in $(seq 1200); do
    main=$(xdotool search --onlyvisible --name '^ヴォルン商品情報取得ソフト$' 2>/dev/null | head -1) || true
    [[ -n $main ]] && break
    sleep 0.2
done
[[ -n $main ]] || { echo "screenshots: the window did not appear" >&2; exit 1; }
sleep 2
xdotool windowactivate --sync "$main" || true

# openbox puts the window's client area at (1, 20) on the screen.
click() { xdotool mousemove $((1 + $1)) $((20 + $2)) click 1; sleep 0.3; }
shot() { import -window root -crop "$1" +repage "docs/$2.png"; }
click 22 240 # 千葉県
click 270 65 # 自転車
shot 470x442+0+0 window-idle
xdotool key alt+o
sleep 1.5
shot 690x462+0+0 options-dialog
xdotool key Escape
sleep 0.5
xdotool key alt+r
sleep 2
shot 638x438+0+0 save-dialog
xdotool key ctrl+a
xdotool type --delay 30 "/tmp/vorn-screenshots.csv"
xdotool key Return
sleep 3
shot 470x442+0+0 window-running
xdotool key alt+c
sleep 1.5
shot 470x442+0+0 question-box
xdotool key n
sleep 3

# The history after three days of the sample site's moving market: the terminal program's runs on
# days 1 to 3, then the window of day 3 with its 履歴 dialog open.
pkill -P "${pids[2]}" || true
wait "${pids[2]}" 2>/dev/null || true
for day in 1 2 3; do
    site_log=$(mktemp)
    "build/${VORN_DEMO_PRESET:-release}/bin/vorn-sample-site" --realistic --port 18443 --day "$day" >"$site_log" &
    site=$!
    for _ in $(seq 50); do
        grep -q '^CA file: ' "$site_log" && break
        sleep 0.1
    done
    mode=()
    [[ $day == 1 ]] || mode=(--changes-only)
    build/demo/vorn-search-cli crawl "${mode[@]}" --prefecture 千葉県 --genre 自転車 "/tmp/vorn-history-$day.csv" >/dev/null || true
    kill "$site"
    wait "$site" 2>/dev/null || true
    rm -f "$site_log" "/tmp/vorn-history-$day.csv"
done
./scripts/demo.sh --day 3 >/dev/null 2>&1 &
pids[2]=$!
main=
for _ in $(seq 300); do
    main=$(xdotool search --onlyvisible --name '^ヴォルン商品情報取得ソフト$' 2>/dev/null | head -1) || true
    [[ -n $main ]] && break
    sleep 0.2
done
[[ -n $main ]] || { echo "screenshots: the window did not appear again" >&2; exit 1; }
sleep 2
xdotool windowactivate --sync "$main" || true
xdotool key alt+h
sleep 2
shot 700x540+0+0 history-dialog
xdotool key Escape
echo "docs/window-idle.png docs/options-dialog.png docs/window-running.png docs/question-box.png docs/save-dialog.png"
echo "docs/history-dialog.png"
