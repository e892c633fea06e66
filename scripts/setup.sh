#!/usr/bin/env bash
# Installs, idempotently, every Debian package the build, the tests and a run need.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
          mingw-w64-i686-dev libz-mingw-w64-dev googletest wine wine32:i386 xvfb xauth
          python3 unzip clang-format)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ "$(dpkg --print-foreign-architectures | grep -c '^i386$')" = 0 ]; then
  missing+=(i386-architecture)
fi

# Wine runs the 32-bit recorder as a 32-bit Linux process. A kernel without 32-bit emulation (some virtual
# machines boot with it off) cannot start one; QEMU's user-mode emulator then runs them instead, registered
# for 32-bit x86 programs through binfmt_misc.
runs_32bit() { [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --help >/dev/null 2>&1; }
enable_32bit_emulation() {
  runs_32bit && return 0
  [ -e /proc/sys/fs/binfmt_misc/register ] ||
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || true
  if [ -e /proc/sys/fs/binfmt_misc/register ] && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:OCF' |
      $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  if runs_32bit; then
    echo "setup: this kernel cannot run 32-bit programs; they run under qemu-i386-static"
  else
    echo "setup: this machine cannot run 32-bit programs, and QEMU could not be registered for them" >&2
  fi
}

tests64_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
                  mingw-w64-x86-64-dev wine64)

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
if ! runs_32bit 2>/dev/null && [ -e /lib/ld-linux.so.2 ] &&
   ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed'; then
  missing+=(qemu-user-static)
  packages+=(qemu-user-static)
fi
# Where 32-bit programs cannot run natively the tests run from a 64-bit build under Wine's 64-bit loader.
if ! runs_32bit 2>/dev/null; then
  for p in "${tests64_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  packages+=("${tests64_packages[@]}")
fi
if [ ${#missing[@]} = 0 ]; then
  echo "setup: every package is installed"
  enable_32bit_emulation
  exit 0
fi

echo "setup: installing ${missing[*]}"
$SUDO dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
# The i386 index of the security archive is sometimes out of step with amd64; keeping the
# security release at a low priority lets both architectures resolve to the same versions.
prefs=$(mktemp)
trap 'rm -f "$prefs"' EXIT
printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$prefs"
$SUDO apt-get update -q || echo "setup: apt-get update reported errors; going on with the lists it has"
$SUDO apt-get install -y -q --no-install-recommends -o Dir::Etc::Preferences="$prefs" "${packages[@]}"
# Only now is the 32-bit loader there to tell whether this kernel runs 32-bit programs.
if ! runs_32bit; then
  $SUDO apt-get install -y -q --no-install-recommends -o Dir::Etc::Preferences="$prefs" qemu-user-static \
    "${tests64_packages[@]}"
fi
enable_32bit_emulation
echo "setup: done"
