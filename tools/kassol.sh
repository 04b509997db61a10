#!/usr/bin/env bash
# The two ways into Kassol from a fresh checkout: "start" installs, builds and starts the
# program; "test" installs, builds and runs every test.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KASSOL_BUILD_DIR:-$here/build}"
what="${1:-start}"
shift || true

bash "$here/tools/install-deps.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKASSOL_BUILD_TESTS=ON >/dev/null
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
    cd "$build"
    exec ctest --output-on-failure -j "$(nproc)" "$@"
    ;;
*)
    echo "Aufruf: tools/kassol.sh start | test" >&2
    exit 1
    ;;
esac
