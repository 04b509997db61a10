#!/usr/bin/env bash
# Builds the fuzz targets (clang, with AddressSanitizer and UBSan) and runs each for the given
# number of seconds, 20 unless given: tools/fuzz.sh [SEKUNDEN] [ZIEL...]
# New inputs found along the way go to a work folder beside the build, never into fuzz/corpus;
# an input that breaks a target is kept in BUILD/fuzz-crashes and makes the script fail.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KASSOL_SAN_BUILD_DIR:-$here/build-san}"
seconds="${1:-20}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_amount fuzz_date fuzz_csv_import fuzz_ini fuzz_schema_split fuzz_restore)
fi
case "$seconds" in
'' | *[!0-9]*) echo "Aufruf: tools/fuzz.sh [SEKUNDEN] [ZIEL...]" >&2; exit 1 ;;
esac

bash "$here/tools/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKASSOL_SANITIZE=ON -DKASSOL_BUILD_FUZZ=ON >/dev/null
mkdir -p "$build/fuzz-work"
if ! cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >"$build/fuzz-work/build.log" 2>&1; then
    cat "$build/fuzz-work/build.log" >&2
    exit 1
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
export QT_QPA_PLATFORM=offscreen TZ=Europe/Vienna
crashes="$build/fuzz-crashes"
mkdir -p "$crashes"
failed=()
printf '%-20s %12s %10s\n' "Ziel" "Eingaben" "Sekunden"
for t in "${targets[@]}"; do
    work="$build/fuzz-work/$t"
    log="$build/fuzz-work/$t.log"
    mkdir -p "$work"
    status=0
    "$build/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
        -artifact_prefix="$crashes/$t-" "$work" "$here/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    printf '%-20s %12s %10s\n' "$t" "${runs:-?}" "$seconds"
    if [ "$status" -ne 0 ]; then
        failed+=("$t")
        echo "--- $t ist gescheitert (Protokoll: $log):" >&2
        grep -E 'ERROR|SUMMARY|runtime error|Test unit written|^#[0-9]+ .* in ' "$log" | head -n 40 >&2 || true
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fehler in: ${failed[*]}; die Eingaben liegen in $crashes" >&2
    exit 1
fi
