#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine on a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$build" force-xvfb
trap wine_env_stop EXIT
status=0
ctest --test-dir "$build" --output-on-failure --timeout 180 "$@" || status=$?
exit $status
