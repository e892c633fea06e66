#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine on a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${BUILD_DIR:-build}
# Under QEMU (see setup.sh) a process start costs seconds: each test program then runs as one test.
one_process=OFF
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  one_process=ON
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESTS_AS_ONE_PROCESS=$one_process
cmake --build "$build" -j"$(nproc)"

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$build" force-xvfb
trap wine_env_stop EXIT
status=0
ctest --test-dir "$build" --output-on-failure --timeout 3000 "$@" || status=$?
exit $status
