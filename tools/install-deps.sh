#!/usr/bin/env bash
# Installs the Debian 12 packages Kassol needs to build, run and test; skips what is there.
set -euo pipefail
packages=(
    build-essential cmake pkg-config
    qt6-base-dev libqt6sql6-sqlite qt6-qpa-plugins
    libsqlite3-dev sqlite3
    libzip-dev zlib1g-dev zipcmp zipmerge ziptool zip unzip
    libsimpleini-dev libsodium-dev
    mdbtools-dev locales
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
# The reader of Access files is tested under a German locale, whose decimal comma shows any number
# taken from formatted text.
if ! locale -a 2>/dev/null | grep -qi '^de_AT\.utf-\?8$'; then
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
    $SUDO sed -i 's/^# *de_AT.UTF-8 UTF-8/de_AT.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_AT.UTF-8 UTF-8' /etc/locale.gen || echo 'de_AT.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
