#!/usr/bin/env bash
# Writes PNGs of the main window with bookings, the voucher entry, the administration dialogs, the
# period dialogs, the preview of the VAT reconciliation and of the journal, the export windows and the
# backup dialog into the given folder (default: build/screenshots), on sample books under a virtual
# X server.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KASSOL_BUILD_DIR:-$here/build}"
out="${1:-$build/screenshots}"
cmake --build "$build" --target kassol-screenshots kassol-cli -j 2 >/dev/null
books="$(mktemp -d)"
trap 'rm -rf "$books"' EXIT
cli=("$build/src/cli/kassol-cli" --data-dir "$books")
"${cli[@]}" init --client "Tischlerei Gruber" --year 2024 >/dev/null
"${cli[@]}" master set --name "Tischlerei Gruber e.U." >/dev/null
"${cli[@]}" circle add Erlöse ER >/dev/null
"${cli[@]}" circle add Material MA >/dev/null
"${cli[@]}" circle add Büro BU >/dev/null
"${cli[@]}" circle add Fahrzeug FZ >/dev/null
book() { "${cli[@]}" book "$@" >/dev/null; }
book --income --date 03.01.2024 --amount 1.440,00 --rate 20 --circle 1 --text "Küchenfront Huber"
book --income --date 17.01.2024 --amount 2.880,00 --rate 20 --circle 1 --text "Einbauschrank Maier"
book --income --date 02.02.2024 --amount 660,00 --rate 10 --circle 1 --text "Reparatur Gasthaus"
book --expense --date 05.01.2024 --amount 834,60 --rate 20 --circle 2 --text "Eichenholz"
book --expense --date 09.01.2024 --amount 1.000,00 --rate 20 --circle 2 --eu --text "Beschläge (DE)"
book --expense --date 12.01.2024 --amount 89,90 --rate 20 --circle 3 --text "Druckerpapier"
book --expense --date 22.01.2024 --amount 95,00 --rate 20 --circle 4 --vehicle --text "Diesel"
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x900x24" "$build/tools/screenshots/kassol-screenshots" "$books" "$out"
