#!/usr/bin/env bash
# Starts or stops the Windows test environment of one test run:
#   wine_env.sh start DIR [KEEPER]
#                           new Wine prefix in DIR/prefix, an Xvfb display, a
#                           persistent wineserver with its desktop, and the
#                           analytics capture proxy; writes DIR/env. KEEPER
#                           (bin/desktop_keeper.exe) starts the desktop now,
#                           detached from the caller's output.
#   wine_env.sh stop DIR    ends all of them
# TAVRIN_WINE_ARCH=win64 makes a 64-bit prefix, for 64-bit test builds on
# machines that cannot run 32-bit Wine. DIR/bin holds the "wine" of the run,
# first on the PATH (see common_env).
# Tests find DIR/env through TAVRIN_WINE_ENV (see wine_run.sh).
#
# Nothing a run starts may reach the network: https_proxy and http_proxy send
# every request of the programs' libcurl to the capture proxy on 127.0.0.1
# (tests/test/event_capture_proxy.py), which answers it itself and records
# the event; TAVRIN_EVENT_CAPTURE names its event file for the tests
# (tests/test/event_capture.h). Loopback addresses go direct, for the tests
# that run HTTPS servers of their own there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
action=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)
keeper=${3:-}
arch=${TAVRIN_WINE_ARCH:-win32}
env_file="$dir/env"

common_env() {
  export WINEPREFIX="$dir/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d"
  export WINEARCH=$arch
  export LC_ALL=C.UTF-8
  # The distribution's wine scripts prefer the 32-bit loader whenever it is
  # installed, even where the kernel cannot run it: a 64-bit prefix names its
  # loader itself.
  local loader=/usr/bin/wine
  if [ "$arch" = win64 ]; then
    loader=/usr/lib/wine/wine64
    export WINELOADER=$loader
  fi
  # Every Wine process of the run starts without address-space
  # randomisation (children inherit it): with it, about one process start in
  # two thousand dies in Wine's loader, and CreateProcess then fails with
  # ERROR_INTERNAL_ERROR, in the tests and in the programs under test.
  mkdir -p "$dir/bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec setarch "$(uname -m)" -R %s "$@"\n' "$loader" \
      >"$dir/bin/$name"
    chmod +x "$dir/bin/$name"
  done
  export PATH="$dir/bin:$PATH"
}

stop() {
  if [ -f "$env_file" ]; then
    # shellcheck disable=SC1090
    source "$env_file"
    wineserver -k 2>/dev/null || true
    python3 "$root/tests/test/event_capture_proxy.py" stop \
      "$dir/event_capture" >/dev/null 2>&1 || true
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
    # A start that fails half-way leaves nothing running behind it.
    trap 'kill "$xvfb_pid" 2>/dev/null || true
      wineserver -k 2>/dev/null || true
      python3 "$root/tests/test/event_capture_proxy.py" stop \
        "$dir/event_capture" >/dev/null 2>&1 || true' EXIT
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
    if [ -n "$keeper" ]; then
      ready="$dir/desktop_ready"
      rm -f "$ready"
      setsid wine "$keeper" "Z:$ready" >/dev/null 2>&1 </dev/null &
      for _ in $(seq 300); do
        [ -e "$ready" ] && break
        sleep 0.1
      done
      # Without it the tests still run, only the first window test then
      # starts the desktop itself.
      [ -e "$ready" ] || echo "warning: the desktop keeper did not start" >&2
    fi
    proxy_port=$(python3 "$root/tests/test/event_capture_proxy.py" start \
      "$dir/event_capture")
    cat >"$env_file" <<ENV
export WINEPREFIX='$WINEPREFIX'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export WINEARCH=$arch
export LC_ALL=C.UTF-8
export DISPLAY='$DISPLAY'
$(if [ "$arch" = win64 ]; then
    echo "export WINELOADER=/usr/lib/wine/wine64"
  fi)
export PATH='$dir/bin':"\$PATH"
export TAVRIN_XVFB_PID=$xvfb_pid
export https_proxy='http://127.0.0.1:$proxy_port'
export HTTPS_PROXY='http://127.0.0.1:$proxy_port'
export http_proxy='http://127.0.0.1:$proxy_port'
export no_proxy='localhost,127.0.0.1'
export NO_PROXY='localhost,127.0.0.1'
export ALL_PROXY=''
export all_proxy=''
export TAVRIN_EVENT_CAPTURE='Z:$dir/event_capture/events.jsonl'
ENV
    trap - EXIT
    echo "Wine prefix $WINEPREFIX ready on display $DISPLAY," \
      "analytics captured on 127.0.0.1:$proxy_port"
    ;;
  stop)
    stop
    echo "Wine environment stopped"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
