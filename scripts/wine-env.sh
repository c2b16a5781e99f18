# Sourced by the run and test scripts: a Wine prefix inside the build tree and
# an Xvfb display of our own. Expects BUILD_DIR to be set.
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
# Without these Wine offers to download its .NET and browser engines in a
# dialog that blocks; there is no network here.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe="

XVFB_PID=""

# Starts Xvfb on the first free display number from 90 up and exports DISPLAY.
start_xvfb() {
  local n
  for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      local i
      for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X${n}" ] && break
        sleep 0.1
      done
      if kill -0 "$XVFB_PID" 2>/dev/null; then
        export DISPLAY=":$n"
        return 0
      fi
    fi
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# Creates the prefix once; a display must exist before the first wine command.
ensure_prefix() {
  if [ ! -f "$WINEPREFIX/.vel-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # No window manager under Xvfb: unmanaged windows close at once.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.vel-ready"
  fi
  # The dialogs ask for "MS Sans Serif". Wine substitutes a wider font when
  # the bitmap font is not in the prefix, which makes every page wider than
  # it is on Windows.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d "$fonts" ] && [ ! -f "$fonts/sserife.fon" ]; then
    cp /usr/share/wine/fonts/sserif*.fon "$fonts/" 2>/dev/null || true
  fi
}

start_wineserver() { wineserver -p >/dev/null 2>&1 || true; }
stop_wineserver() { wineserver -k >/dev/null 2>&1 || true; }
