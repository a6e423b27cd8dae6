#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need. As root it runs
# apt-get; otherwise it prints the exact command and fails, so nothing half-installed follows.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    qt6-base-dev libqt6dbus6 libgl-dev qt6-translations-l10n
    dpkg-dev lintian desktop-file-utils appstream
    libcurl4-openssl-dev libicu-dev libsqlite3-dev libsimpleini-dev
    libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev libssl-dev openssl
    libxlsxwriter-dev libminizip-dev python3-openpyxl python3-aiosmtpd
    fonts-ipafont-gothic xvfb xauth xdotool dbus python3 clang-format-16 systemd
)
if [[ "${VORN_EXTRA_PACKAGES:-}" != "" ]]; then
    read -r -a extra <<<"$VORN_EXTRA_PACKAGES"
    packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages. Run as root:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
