#!/usr/bin/env bash
# Starts or stops the Windows test environment of one test run:
#   wine_env.sh start DIR [win32|win64]
#                           new Wine prefix in DIR/prefix, an Xvfb display and
#                           a persistent wineserver; writes DIR/env. win64 is
#                           for 64-bit test builds, on machines that cannot run
#                           32-bit Wine: DIR/bin then holds a "wine" that
#                           starts the 64-bit loader, first on the PATH.
#   wine_env.sh stop DIR    ends the wineserver and the display
# Tests find DIR/env through TAVRIN_WINE_ENV (see wine_run.sh).
set -euo pipefail
action=$1
dir=$2
arch=${3:-win32}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
env_file="$dir/env"

common_env() {
  export WINEPREFIX="$dir/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d"
  export WINEARCH=$arch
  export LC_ALL=C.UTF-8
  if [ "$arch" = win64 ]; then
    # The distribution's wine scripts prefer the 32-bit loader whenever it
    # is installed, even where the kernel cannot run it.
    mkdir -p "$dir/bin"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$dir/bin/$name"
      chmod +x "$dir/bin/$name"
    done
    export WINELOADER=/usr/lib/wine/wine64
    export PATH="$dir/bin:$PATH"
  fi
}

stop() {
  if [ -f "$env_file" ]; then
    # shellcheck disable=SC1090
    source "$env_file"
    wineserver -k 2>/dev/null || true
    if [ -n "${TAVRIN_XVFB_PID:-}" ]; then
      kill "$TAVRIN_XVFB_PID" 2>/dev/null || true
    fi
    rm -f "$env_file"
  fi
}

case "$action" in
  start)
    stop
    common_env
    rm -rf "$WINEPREFIX"
    # A free display number, chosen by Xvfb itself.
    fifo="$dir/displayfd"
    rm -f "$fifo"
    mkfifo "$fifo"
    setsid Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp \
      4>"$fifo" >"$dir/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    read -r -t 30 display_number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$display_number"
    wineboot -i >"$dir/wineboot.log" 2>&1 </dev/null
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
      /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    wineserver -w
    # A persistent server makes each test program start in a fraction of a
    # second and keeps delayed renames from being replayed between tests.
    setsid wineserver -p >/dev/null 2>&1 </dev/null &
    sleep 0.2
    wine cmd /c exit >/dev/null 2>&1 </dev/null
    cat >"$env_file" <<ENV
export WINEPREFIX='$WINEPREFIX'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export WINEARCH=$arch
export LC_ALL=C.UTF-8
export DISPLAY='$DISPLAY'
$(if [ "$arch" = win64 ]; then
    echo "export WINELOADER=/usr/lib/wine/wine64"
    echo "export PATH='$dir/bin':\"\$PATH\""
  fi)
export TAVRIN_XVFB_PID=$xvfb_pid
ENV
    echo "Wine prefix $WINEPREFIX ready on display $DISPLAY"
    ;;
  stop)
    stop
    echo "Wine environment stopped"
    ;;
  *)
    echo "usage: $0 start|stop DIR [win32|win64]" >&2
    exit 2
    ;;
esac
