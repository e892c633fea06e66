#!/usr/bin/env bash
# Sets up the machine, builds the recorder and starts it under Wine (on a virtual display when DISPLAY
# is unset). The recorder lives in the notification area until Exit is chosen from its menu.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target QM57REC

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$build"
trap wine_env_stop EXIT
echo "run: starting the recorder on display $DISPLAY (Wine prefix $WINEPREFIX)"
status=0
wine "$build/bin/QM57REC.exe" "$@" || status=$?
echo "run: the recorder ended with exit code $status"
exit $status
