#!/usr/bin/env bash
# The two ways into Kassol from a fresh checkout: "start" installs, builds and starts the
# program; "test" installs, builds and runs every test on the GCC build, the tests of the core
# and of kassol-cli once more on a clang build with the sanitizers, and each fuzz target briefly.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KASSOL_BUILD_DIR:-$here/build}"
what="${1:-start}"
shift || true

bash "$here/tools/install-deps.sh"
# The test run also builds the benchmarks (run by hand only), so that they keep building.
bench=OFF
[ "$what" = test ] && bench=ON
# Line tables and function names are all a backtrace needs; full debug information would make the
# build much longer on a small machine.
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DKASSOL_BUILD_TESTS=ON -DKASSOL_BUILD_BENCH=$bench >/dev/null
cmake --build "$build" -j "$(nproc)"

case "$what" in
start)
    if [ -x "$build/src/ui/kassol" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
        exec "$build/src/ui/kassol" "$@"
    fi
    exec "$build/src/cli/kassol-cli" info "$@"
    ;;
test)
    export QT_QPA_PLATFORM=offscreen
    (cd "$build" && ctest --output-on-failure -j "$(nproc)" "$@")
    # The tests of the core and of kassol-cli once more on a clang build with AddressSanitizer
    # and UBSan, which also holds the fuzz targets; then a short run of each target
    # (tools/fuzz.sh runs them longer). The windows' tests run in the plain build only, which
    # keeps the whole run within a few minutes of twenty on two cores.
    san="${KASSOL_SAN_BUILD_DIR:-$here/build-san}"
    # -O1 with line tables only, as the sanitizers advise: reports keep file and line, and the
    # build takes far less time than one with full debug information.
    CC=clang CXX=clang++ cmake -S "$here" -B "$san" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKASSOL_BUILD_TESTS=ON \
        -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
        -DKASSOL_SANITIZE=ON -DKASSOL_BUILD_FUZZ=ON -DKASSOL_BUILD_DESKTOP=OFF >/dev/null
    cmake --build "$san" -j "$(nproc)"
    # The archive of more than 4 GiB is deflated once, in the run above; under the sanitizers
    # it would take minutes.
    (cd "$san" && ctest --output-on-failure -j "$(nproc)" -E 'AFileLargerThanFourGibibytes' "$@")
    KASSOL_SAN_BUILD_DIR="$san" exec bash "$here/tools/fuzz.sh" "${KASSOL_FUZZ_SECONDS:-10}"
    ;;
*)
    echo "Aufruf: tools/kassol.sh start | test" >&2
    exit 1
    ;;
esac
