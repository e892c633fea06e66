#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine on a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${BUILD_DIR:-build}
# A kernel without 32-bit emulation runs Wine only under QEMU (see setup.sh). Measured there with Wine 8:
# every Wine process start costs about a CPU-minute, creating the prefix took 40 minutes, and test
# programs hung at start-up after ld.so reported "_dl_open: Assertion ... RT_CONSISTENT failed" under the
# emulator. Nothing that runs there can be judged, so such a machine builds everything and runs no test.
emulated=OFF
if { [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; } ||
   ! /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
  emulated=ON
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
if [ "$emulated" = ON ]; then
  echo "test: this kernel runs 32-bit programs only under QEMU (or not at all), where Wine cannot run the tests;"
  echo "test: everything is built, and no test is run. A machine that runs 32-bit programs natively runs them all."
  exit 0
fi

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$build" force-xvfb
trap wine_env_stop EXIT
status=0
ctest --test-dir "$build" --output-on-failure --timeout 1500 "$@" || status=$?
exit $status
