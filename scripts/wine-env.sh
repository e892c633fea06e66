# Sourced by the run and test scripts: a private Wine prefix inside the build tree, a persistent
# wineserver, no crash debugger, unmanaged windows, and a virtual display when none is given.
# Usage: source scripts/wine-env.sh BUILD_DIR [force-xvfb]

wine_env_build=$(cd "$1" && pwd)
export WINEPREFIX="$wine_env_build/wineprefix"
export WINEARCH=win32
# A build for 64-bit Windows (made where this kernel cannot run 32-bit programs) runs under Wine's 64-bit
# loader and server alone: the "wine" script would start the 32-bit loader first.
if grep -q '^CMAKE_TOOLCHAIN_FILE:.*mingw-x86_64' "$wine_env_build/CMakeCache.txt" 2>/dev/null; then
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  mkdir -p "$wine_env_build/wine-bin"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$wine_env_build/wine-bin/wine"
  printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$wine_env_build/wine-bin/wineserver"
  chmod +x "$wine_env_build/wine-bin/wine" "$wine_env_build/wine-bin/wineserver"
  export PATH="$wine_env_build/wine-bin:$PATH"
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d;winealsa.drv=d;winepulse.drv=d;mscoree=d;mshtml=d"

wine_env_xvfb_pid=""
if [ -z "${DISPLAY:-}" ] || [ "${2:-}" = force-xvfb ]; then
  # Xvfb picks a free display itself and writes its number, so parallel runs never share one.
  wine_env_fifo=$(mktemp -u)
  mkfifo "$wine_env_fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$wine_env_fifo" >/dev/null 2>&1 &
  wine_env_xvfb_pid=$!
  read -r -t 20 wine_env_display <"$wine_env_fifo" || wine_env_display=""
  rm -f "$wine_env_fifo"
  if [ -z "$wine_env_display" ]; then
    echo "wine-env: Xvfb did not start" >&2
    return 1 2>/dev/null || exit 1
  fi
  export DISPLAY=":$wine_env_display"
fi

# Detached from our pipes: a wineserver that inherits a pipe can keep its reader waiting.
wineserver -p >/dev/null 2>&1 </dev/null || true
if [ ! -f "$WINEPREFIX/.recorder-prefix-ready" ]; then
  echo "wine-env: creating the Wine prefix in $WINEPREFIX"
  wine wineboot -i </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.recorder-prefix-ready"
fi
# Start Wine's own helpers (services, the desktop's explorer) now, detached from our pipes: started by a
# test instead, they would inherit its output pipe and keep the reader (CTest) waiting for ever.
wine wineboot </dev/null >/dev/null 2>&1
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$wine_env_xvfb_pid" ] && kill "$wine_env_xvfb_pid" 2>/dev/null
  wine_env_xvfb_pid=""
}
