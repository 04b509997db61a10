#!/usr/bin/env bash
# Installs the Debian 12 packages Kassol needs to build, run and test; skips what is there.
set -euo pipefail
packages=(
    build-essential cmake pkg-config
    qt6-base-dev libqt6sql6-sqlite qt6-qpa-plugins
    libsqlite3-dev sqlite3
    libzip-dev zipcmp zipmerge ziptool zip unzip
    libsimpleini-dev libsodium-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth poppler-utils fonts-dejavu-core fonts-liberation2
    clang llvm
    desktop-file-utils appstream dpkg-dev file gzip librsvg2-bin
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installiere: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
