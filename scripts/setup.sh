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
if [ ${#missing[@]} = 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
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
echo "setup: done"
