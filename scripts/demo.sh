#!/usr/bin/env bash
# A whole run without the real site: ./scripts/demo.sh
# Starts the sample site on 127.0.0.1 and the window pointed at it, in a program folder of its own
# (build/demo) whose db/vrn.ini keeps the demo's choices between starts. The first start fills the
# catalogue's cities and sub-genres from the sample site, which takes about half a minute.
# Options are the sample site's: --redesigned-results and --redesigned-listings show what a user
# sees after the site changes its pages; --day N serves the market of day N (cheaper, dearer,
# closed, posted again, new and gone listings), so runs on days 1, 2 and 3 show the watcher at
# work in the history (履歴). The site keeps one port (18443, --port to change it): a listing's
# address, which the store knows it by, holds the port.
# VORN_DEMO_PRESET=dev uses the development build instead of building the optimised one.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
preset=${VORN_DEMO_PRESET:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

bin=build/$preset/bin
demo=build/demo
mkdir -p "$demo/db"
# The programs find db/ beside their own executable, so the demo gets its own copies.
cp -f "$bin/vorn-search" "$bin/vorn-search-cli" "$demo/"
[ -f "$demo/db/vrn_data.db" ] || cp "$bin/db/vrn_data.db" "$demo/db/"

site_log=$(mktemp)
"$bin/vorn-sample-site" --realistic --port 18443 "$@" >"$site_log" &
site_pid=$!
trap 'kill "$site_pid" 2>/dev/null; rm -f "$site_log"' EXIT
for _ in $(seq 50); do
    grep -q '^CA file: ' "$site_log" && break
    kill -0 "$site_pid" 2>/dev/null || { cat "$site_log" >&2; exit 1; }
    sleep 0.1
done
base_url=$(sed -n 's/^base URL: //p' "$site_log")
ca_file=$(sed -n 's/^CA file: //p' "$site_log")
[ -n "$base_url" ] || { echo "demo: the sample site did not start" >&2; exit 1; }
echo "sample site: $base_url"

# The site's port changes with every start: point [Site] at it, leaving [Config] as it is.
ini="$demo/db/vrn.ini"
if [ -f "$ini" ] && LC_ALL=C grep -q '^\[Site\]' "$ini"; then
    LC_ALL=C sed -i -e "s|^BaseUrl=.*|BaseUrl=$base_url\r|" -e "s|^CaFile=.*|CaFile=$ca_file\r|" "$ini"
else
    printf '[Site]\r\nBaseUrl=%s\r\nCaFile=%s\r\n' "$base_url" "$ca_file" >>"$ini"
fi

if [ ! -f "$demo/db/.catalogue-filled" ]; then
    "$demo/vorn-search-cli" refresh-cities && "$demo/vorn-search-cli" refresh-genres &&
        touch "$demo/db/.catalogue-filled"
fi

"$demo/vorn-search"
