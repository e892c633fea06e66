#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine on a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${BUILD_DIR:-build}
# Under QEMU (see setup.sh) only the unit tests can be judged; tests/CMakeLists.txt says why.
emulated=OFF
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  emulated=ON
  echo "test: 32-bit programs run under QEMU here: the unit tests run; the process, end-to-end and fuzz tests are built only"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRECORDER_TESTS_EMULATED=$emulated
cmake --build "$build" -j"$(nproc)"

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh "$build" force-xvfb
trap wine_env_stop EXIT
status=0
ctest --test-dir "$build" --output-on-failure --timeout 3000 "$@" || status=$?
exit $status
