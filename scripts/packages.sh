#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once.
set -euo pipefail

PACKAGES=(
    g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev wine64 wine
    fonts-wine fonts-liberation xvfb xauth x11-apps imagemagick
    cmake ninja-build googletest python3
)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "dk: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
