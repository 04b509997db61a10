#!/usr/bin/env bash
# Builds the Debian package from a finished build folder and checks what it holds: both programs,
# the desktop entry and AppStream metadata (validated), the icons, the manual page, and the
# dependencies that dpkg-shlibdeps found. Usage: packaging/check-deb.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/kassol_*.deb)
echo "Paket: $(basename "$deb")"

inhalt=$(dpkg-deb -c "$deb" | awk '{print $6}')
fehlt=0
for pfad in ./usr/bin/kassol ./usr/bin/kassol-cli \
            ./usr/share/applications/at.norvik.kassol.desktop \
            ./usr/share/metainfo/at.norvik.kassol.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/at.norvik.kassol.svg \
            ./usr/share/icons/hicolor/16x16/apps/at.norvik.kassol.png \
            ./usr/share/icons/hicolor/32x32/apps/at.norvik.kassol.png \
            ./usr/share/icons/hicolor/48x48/apps/at.norvik.kassol.png \
            ./usr/share/icons/hicolor/256x256/apps/at.norvik.kassol.png \
            ./usr/share/man/man1/kassol-cli.1.gz; do
    grep -qx -- "$pfad" <<<"$inhalt" || { echo "fehlt im Paket: $pfad"; fehlt=1; }
done
# The publisher's tool and its keys never reach a user's computer.
if grep -q -- "kassol-release\|kassol-update" <<<"$inhalt"; then echo "Das Paket enthält Herausgeber-Dateien"; fehlt=1; fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for d in libqt6widgets6 libqt6network6 libsodium23 libzip4 libqt6sql6-sqlite libmdb3; do
    grep -q "$d" <<<"$depends" || { echo "Abhängigkeit fehlt: $d"; fehlt=1; }
done

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/at.norvik.kassol.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/at.norvik.kassol.metainfo.xml" >/dev/null
gzip -t "$work/root/usr/share/man/man1/kassol-cli.1.gz"
QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/kassol-cli" --help >/dev/null
exit $fehlt
