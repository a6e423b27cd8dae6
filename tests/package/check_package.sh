#!/usr/bin/env bash
# Proves the Debian package as a user meets it: tests/package/check_package.sh DEB BUILD_BIN
#   DEB        the package (./scripts/package.sh makes it)
#   BUILD_BIN  the bin/ folder of the build the package was made from: its vorn-search-cli and
#              db/vrn_data.db are the reference run, its vorn-sample-site the site
# Checks lintian, desktop-file-validate, appstreamcli and the package's contents; runs the
# unpacked package (dpkg -x) and, as root, the package installed with apt-get (purged at the end,
# the list of installed packages checked to be as before) with fresh home folders. Every request
# goes to the sample site on 127.0.0.1.
set -euo pipefail
deb=$(realpath "$1")
bin=$(realpath "$2")
appstream_id=invalid.vorn_search.vorn_search

work=$(mktemp -d)
chmod 755 "$work" # apt's download user reads the package from here
site_pid=
installed=
cleanup() {
    [[ -n $site_pid ]] && kill "$site_pid" 2>/dev/null
    [[ -n $installed ]] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -q vorn-search >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
step() { echo "-- $*"; }

version=$(dpkg-deb -f "$deb" Version)

step "lintian"
lintian --fail-on error,warning "$deb" || fail "lintian reports the above"

step "contents"
dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' >"$work/contents"
for path in /usr/bin/vorn-search /usr/bin/vorn-search-cli /usr/share/vorn-search/vrn_data.db \
    /usr/share/applications/vorn-search.desktop /usr/share/metainfo/$appstream_id.metainfo.xml \
    /usr/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/vorn-search.png \
    /usr/share/icons/hicolor/scalable/apps/vorn-search.svg \
    /usr/share/man/man1/vorn-search.1.gz /usr/share/man/man1/vorn-search-cli.1.gz \
    /usr/share/bash-completion/completions/vorn-search-cli /usr/share/doc/vorn-search/copyright; do
    grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done
in_bin=$(grep '^/usr/bin/.' "$work/contents" | sort | tr '\n' ' ')
[[ $in_bin == "/usr/bin/vorn-search /usr/bin/vorn-search-cli " ]] || fail "usr/bin holds $in_bin"
! grep -q '/db/' "$work/contents" || fail "the package ships a db/ folder"

step "desktop entry, AppStream metainfo and completion of the unpacked package"
dpkg -x "$deb" "$work/unpacked"
desktop-file-validate "$work/unpacked/usr/share/applications/vorn-search.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$work/unpacked/usr/share/metainfo/$appstream_id.metainfo.xml" ||
    fail "appstreamcli validate"
completions=$(bash -c 'source "$1"; COMP_WORDS=(vorn-search-cli re); COMP_CWORD=1; _vorn_search_cli
                       printf "%s " "${COMPREPLY[@]}"' _ "$work/unpacked/usr/share/bash-completion/completions/vorn-search-cli")
[[ $completions == "refresh-cities refresh-genres " ]] || fail "completion of 're' gives: $completions"

step "sample site"
"$bin/vorn-sample-site" --links 6 >"$work/site.log" 2>&1 &
site_pid=$!
for _ in $(seq 100); do
    grep -q '^CA file: ' "$work/site.log" && break
    kill -0 "$site_pid" 2>/dev/null || { cat "$work/site.log" >&2; fail "the sample site did not start"; }
    sleep 0.1
done
base_url=$(sed -n 's/^base URL: //p' "$work/site.log")
ca_file=$(sed -n 's/^CA file: //p' "$work/site.log")
[[ $base_url == https://127.0.0.1:* ]] || fail "the sample site gave no loopback address: $base_url"

# 東京都 alone, the first genre (家具) alone, no photographs; and the sample site.
settings() {
    printf '[Config]\r\nWord=\r\nAreasel=0\r\nImageDir=\r\nCheckImage=0\r\nCtgrlist=1\r\nArealist=0000000000001\r\n'
    printf '[Site]\r\nBaseUrl=%s\r\nCaFile=%s\r\n' "$base_url" "$ca_file"
}

# Runs one vorn-search-cli as a user with a home of its own: --version, refresh-genres, crawl.
# $1 the program, $2 its home, $3 the CSV; the settings are in place before the first start.
run_cli() {
    local program=$1 home=$2 csv=$3 out
    out=$(env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$work/runtime" "$program" --version)
    [[ $out == "vorn-search-cli $version" ]] || fail "$program --version says '$out', the package $version"
    env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$work/runtime" "$program" refresh-genres \
        >"$work/refresh.log" 2>&1 || { cat "$work/refresh.log" >&2; fail "$program refresh-genres"; }
    env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$work/runtime" "$program" crawl "$csv" \
        >"$work/crawl.log" 2>&1 || { cat "$work/crawl.log" >&2; fail "$program crawl"; }
}

# A user's first start makes ~/.local/share/vorn-search/db with the catalogue copied (settings
# written there before do not stop the copy); folders it makes are the user's alone.
check_user_folder() {
    local home=$1 made_by_program=${2:-} folder=$1/.local/share/vorn-search/db
    [[ -f $folder/vrn_data.db ]] || fail "no catalogue copied into $folder"
    [[ ! -e $folder/tmp.dat ]] || fail "the scratch file was left in $folder"
    if [[ -n $made_by_program ]]; then
        [[ $(stat -c %a "$folder") == 700 ]] || fail "$folder is not the user's alone"
    fi
}

mkdir -m 700 "$work/runtime"
step "reference: the build tree's program in a folder of its own"
mkdir -p "$work/tree/db"
cp "$bin/vorn-search-cli" "$work/tree/"
cp "$bin/db/vrn_data.db" "$work/tree/db/"
settings >"$work/tree/db/vrn.ini"
mkdir "$work/tree-home"
run_cli "$work/tree/vorn-search-cli" "$work/tree-home" "$work/tree.csv"
[[ -z $(ls -A "$work/tree-home") ]] || fail "the build tree's program wrote into its home"
rows=$(($(grep -c $'\r$' "$work/tree.csv") - 1))
((rows > 0)) || fail "the reference crawl wrote no rows"

step "the unpacked package (dpkg -x)"
mkdir -p "$work/unpacked-home/.local/share/vorn-search/db"
settings >"$work/unpacked-home/.local/share/vorn-search/db/vrn.ini"
run_cli "$work/unpacked/usr/bin/vorn-search-cli" "$work/unpacked-home" "$work/unpacked.csv"
check_user_folder "$work/unpacked-home"
cmp "$work/tree.csv" "$work/unpacked.csv" || fail "the unpacked program's CSV differs from the build tree's"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/vorn-search/vrn_data.db |
    cmp - "$work/unpacked/usr/share/vorn-search/vrn_data.db" || fail "the unpacked program changed the shipped catalogue"
echo "$rows rows, the same bytes as the build tree's"

if [[ $(id -u) -ne 0 ]]; then
    echo "-- not root: the installed package is not checked (apt-get needs root)"
    exit 0
fi
if dpkg-query -W -f='${Status}' vorn-search 2>/dev/null | grep -q 'install ok installed'; then
    echo "-- vorn-search is installed on this machine: the installed package is not checked, to leave it alone"
    exit 0
fi

step "installed with apt-get"
dpkg-query -W -f='${Package} ${Version} ${Status}\n' | sort >"$work/packages-before"
cp "$deb" "$work/"
installed=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$work/$(basename "$deb")" \
    >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get install"; }
[[ $(command -v vorn-search-cli) == /usr/bin/vorn-search-cli ]] || fail "vorn-search-cli is not on the PATH"

mkdir -p "$work/cli-home/.local/share/vorn-search/db"
settings >"$work/cli-home/.local/share/vorn-search/db/vrn.ini"
run_cli vorn-search-cli "$work/cli-home" "$work/installed.csv"
check_user_folder "$work/cli-home"
cmp "$work/tree.csv" "$work/installed.csv" || fail "the installed program's CSV differs from the build tree's"

step "the installed window on the offscreen platform, a fresh home, closed by SIGTERM"
mkdir "$work/window-home"
env -u XDG_DATA_HOME HOME="$work/window-home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    vorn-search >"$work/window.log" 2>&1 &
window_pid=$!
sleep 5
kill -0 "$window_pid" 2>/dev/null || { cat "$work/window.log" >&2; fail "the window did not stay up"; }
awk -v pid="$window_pid" '$2 == "FLOCK" && $5 == pid { found = 1 } END { exit !found }' /proc/locks ||
    fail "the window does not hold the single-instance lock"
check_user_folder "$work/window-home" made-by-program
kill -TERM "$window_pid"
status=0
wait "$window_pid" || status=$?
[[ $status -eq 0 ]] || { cat "$work/window.log" >&2; fail "the window ended with $status"; }
ini="$work/window-home/.local/share/vorn-search/db/vrn.ini"
[[ -f $ini ]] && LC_ALL=C grep -q $'^Ctgrlist=0*\r$' "$ini" || fail "the window saved no settings in $ini"

dpkg --verify vorn-search || fail "the installed files were changed"

step "purged"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q vorn-search >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get purge"; }
installed=
dpkg-query -W -f='${Package} ${Version} ${Status}\n' | sort >"$work/packages-after"
diff "$work/packages-before" "$work/packages-after" || fail "the installed packages are not as before"
[[ ! -e /usr/bin/vorn-search && ! -e /usr/share/vorn-search ]] || fail "files were left behind"
echo "the package installs, runs as the build tree does, and goes without a trace"
