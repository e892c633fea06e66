# Sourced by the run and test scripts: a private Wine prefix inside the build tree, a persistent
# wineserver, no crash debugger, unmanaged windows, and a virtual display when none is given.
# Usage: source scripts/wine-env.sh BUILD_DIR [force-xvfb]

wine_env_build=$(cd "$1" && pwd)
export WINEPREFIX="$wine_env_build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winedbg.exe=d;winealsa.drv=d;winepulse.drv=d;mscoree=d;mshtml=d"

wine_env_xvfb_pid=""
if [ -z "${DISPLAY:-}" ] || [ "${2:-}" = force-xvfb ]; then
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      wine_env_xvfb_pid=$!
      export DISPLAY=":$n"
      for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      break
    fi
  done
fi

# Detached from our pipes: a wineserver that inherits a pipe can keep its reader waiting.
wineserver -p >/dev/null 2>&1 </dev/null || true
if [ ! -f "$WINEPREFIX/.recorder-prefix-ready" ]; then
  echo "wine-env: creating the Wine prefix in $WINEPREFIX"
  wine wineboot -i </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.recorder-prefix-ready"
fi

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$wine_env_xvfb_pid" ] && kill "$wine_env_xvfb_pid" 2>/dev/null
  wine_env_xvfb_pid=""
}
