#!/usr/bin/env bash
# Sets up and builds, then performs one scripted recording of the project's own target application under
# Wine on a virtual display, and prints where the recording file went.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target e2e_tests

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$build" force-xvfb
trap wine_env_stop EXIT
folder="$(cd "$build" && pwd)/demo"
mkdir -p "$folder"
RECORDING_CHECK_DIR="Z:$folder" wine "$build/bin/e2e_tests.exe" \
  --gtest_filter=RecordingTest.RecordsTypingInTheProjectsTargetApplication
echo "demo: the recording is $folder/simtarget.qmr"
python3 tests/e2e/check_recording.py "$folder"
