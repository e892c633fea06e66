#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine on a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${BUILD_DIR:-build}
# A kernel without 32-bit emulation runs 32-bit programs only under QEMU (see setup.sh), where Wine needs
# about a CPU-minute for each process start and test programs hang at start-up. There the 32-bit recorder
# is built, and the tests run from a 64-bit build of the same code under Wine's native 64-bit loader.
emulated=OFF
if { [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; } ||
   ! /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
  emulated=ON
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
if [ "$emulated" = ON ]; then
  echo "test: this kernel runs 32-bit programs only under QEMU (or not at all); the tests run from a 64-bit build"
  build=${BUILD64_DIR:-build64}
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" -j"$(nproc)"
fi

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$build" force-xvfb
trap wine_env_stop EXIT
status=0
ctest --test-dir "$build" --output-on-failure --timeout 1500 "$@" || status=$?
exit $status
