#!/usr/bin/env bash
# The round of the shipped 32-bit programs under real 32-bit Wine: version
# texts, an install into a browser folder with blanks, an apostrophe and
# non-ASCII letters, the notifier it starts, a hint, the uninstall, a
# tampered content file, then the 32-bit unit tests that came along.
#
#   round.sh EXPECTED_VERSION
#
# Runs in the folder of the programs (tavrin.exe, tavrin_installer.exe,
# notifications\, the stand-ins fake_launcher.exe and main_window_tool.exe,
# capture_proxy/ with the capture proxy, optionally unit_tests/*.exe): in the
# virtual machine of tools/vm_run.sh, or on a host whose kernel runs 32-bit
# code. Uses $WINEPREFIX when it is a ready win32 prefix (the virtual
# machine's /root/prefix), else makes one in $TAVRIN_ROUND_WORK.
# Prints one line per check; exit code 0 only when all passed.
set -uo pipefail
expected_version=$1
programs=$(pwd)
work=${TAVRIN_ROUND_WORK:-/root/round}
call_limit=${TAVRIN_WINE_CALL_LIMIT:-120}
failures=0
started=$SECONDS

pass() { echo "PASS: $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
stamp() { echo "-- $* ($((SECONDS - started)) s)"; }

# Every Wine call has a limit: a hung program must not hang the round.
# Without address-space randomisation, as in the 64-bit runs (a rare loader
# failure otherwise).
w() { timeout -k 5 "$call_limit" setarch "$(uname -m)" -R wine "$@"; }
tool() { w "$programs/main_window_tool.exe" "$@"; }

xvfb_pid=""
proxy_dir=$work/capture
cleanup() {
  # Only the round's own server: an empty WINEPREFIX would mean ~/.wine.
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k 2>/dev/null
  python3 "$programs/capture_proxy/event_capture_proxy.py" stop \
    "$proxy_dir" >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

start_environment() {
  rm -rf "$work"
  mkdir -p "$work"
  export WINEDEBUG=-all LC_ALL=C.UTF-8 WINEARCH=win32
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml=;winedbg.exe=d"
  # Displays of other runs on the same host stay untouched: Xvfb picks a
  # free number itself.
  local fifo=$work/displayfd number
  mkfifo "$fifo"
  Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$fifo" \
    >"$work/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  read -r -t 60 number <"$fifo" || return 1
  export DISPLAY=":$number"
  if [ ! -f "${WINEPREFIX:-/nonexistent}/system.reg" ]; then
    export WINEPREFIX=$work/prefix
    timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || return 1
    timeout 120 wineserver -w
    w reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
      /d 0 /f >/dev/null 2>&1
    w reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
  fi
  # One server for the whole round keeps later program starts fast.
  setsid wineserver -p >/dev/null 2>&1 </dev/null &
  sleep 0.5
  w cmd /c exit >/dev/null 2>&1
  local port
  port=$(python3 "$programs/capture_proxy/event_capture_proxy.py" start \
    "$proxy_dir") || return 1
  # The notifier's analytics end at the capture proxy on this machine.
  export https_proxy="http://127.0.0.1:$port" http_proxy="http://127.0.0.1:$port"
  export no_proxy=localhost,127.0.0.1
  capture=$proxy_dir/events.jsonl
  touch "$capture"
  drive_c=$WINEPREFIX/drive_c
  echo "-- 32-bit Wine: $(w --version 2>/dev/null), prefix $WINEPREFIX," \
    "display $DISPLAY, analytics captured on 127.0.0.1:$port"
}

# wait_for SECONDS COMMAND...: polls, for programs that answer later.
wait_for() {
  local seconds=$1 i
  shift
  for ((i = 0; i < seconds * 4; i++)); do
    "$@" && return 0
    sleep 0.25
  done
  return 1
}

captured() { grep -q -- "$1" "$capture"; }
# The values of a registry key as NAME=DATA lines, sorted, read through reg
# export, which keeps every letter (reg query writes through code page 437
# and loses Ł and Cyrillic). Exit code 1 when the key cannot be read: a
# failed read must never pass for a value that is gone.
reg_values() {
  local key=$1 file=$work/export.reg
  rm -f "$file"
  w reg export "$key" "$(winepath_w "$file")" /y >/dev/null 2>&1 || return 1
  python3 - "$file" <<'PY'
import re, sys
try:
    text = open(sys.argv[1], "rb").read().decode("utf-16")
except (OSError, UnicodeError):
    sys.exit(1)
sections = 0
values = []
for line in text.splitlines():
    if line.startswith("["):
        sections += 1
        continue
    m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
    # The key's own values only, not those of its subkeys.
    if m and sections == 1:
        data = m.group(2)
        if data.startswith('"'):
            data = re.sub(r'\\(.)', r'\1', data[1:-1])
        values.append(m.group(1) + "=" + data)
if sections == 0:
    sys.exit(1)
print("\n".join(sorted(values)))
PY
}
# value_in VALUES NAME: NAME's data in the lines of reg_values; exit code 1
# when it is not there.
value_in() {
  awk -v name="$2" 'index($0, name "=") == 1 { print substr($0, length(name) + 2); found = 1 }
    END { exit !found }' <<<"$1"
}
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
emulation_key='HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION'

winepath_w() { w winepath -w "$1" 2>/dev/null | tr -d '\r'; }

versions() {
  stamp "the installer's answers"
  local out rc
  for pair in "--version=$expected_version" \
    "--internal-version=${expected_version#*.*.}" "--stream=Stable"; do
    local switch=${pair%%=*} want=${pair#*=}
    out=$(w "$programs/tavrin_installer.exe" "$switch" 2>/dev/null)
    rc=$?
    check "tavrin_installer.exe $switch prints '$want', exit code 0" \
      test "$out|$rc" = "$want|0"
  done
  out=$(w "$programs/tavrin_installer.exe" --versions 2>/dev/null)
  rc=$?
  check "tavrin_installer.exe --versions (unknown) prints nothing, exit code 1" \
    test "$out|$rc" = "|1"
}

# The browser installation: our stand-in launcher.exe and the profile path
# its installer would write; the package as the browser's installer unpacks
# it.
lay_out_browser() {
  local dir=$1 profiles=$2
  mkdir -p "$dir"
  cp "$programs/fake_launcher.exe" "$dir/launcher.exe"
  python3 -c 'import json, sys
json.dump({"profile_path": sys.argv[2] + "\\<USERNAME>\\Ulvena",
           "language": "en"}, open(sys.argv[1], "w"))' \
    "$dir/installer_prefs.json" "$profiles"
}
lay_out_package() {
  local dir=$1
  mkdir -p "$dir"
  cp "$programs/tavrin_installer.exe" "$programs/tavrin.exe" "$dir/"
  cp -r "$programs/notifications" "$dir/notifications"
  (
    cd "$dir" || exit 1
    printf 'tavrin.exe\r\ntavrin_installer.exe\r\n'
    find notifications -type f | sort | sed 's|/|\\|g; s|$|\r|'
  ) >"$dir/files_list"
}

notifier_log() {
  find "$1" -name tavrin.log 2>/dev/null | head -n 1
}

install_log_ok() {
  python3 - "$1" "$2" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
files = [f.text for f in root.iter("file")]
ok = (root.tag == "install_log" and root.findtext("path") == sys.argv[2]
      and "tavrin.exe" in files and "tavrin_installer.exe" in files)
if not ok:
    print("  install log: path %r, %d files" % (root.findtext("path"),
                                                len(files)))
sys.exit(0 if ok else 1)
PY
}

install() {
  stamp "install"
  browser_unix="$drive_c/Ulvena Browsér O'Brien Łódź Жук"
  browser_win="C:\\Ulvena Browsér O'Brien Łódź Жук"
  install_unix=$browser_unix/tavrin
  install_win=$browser_win\\tavrin
  profiles_unix=$drive_c/profiles
  lay_out_browser "$browser_unix" 'C:\profiles'
  lay_out_package "$drive_c/package"
  # Neighbours of ours in both keys, which the install and the uninstall
  # must keep.
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"tavrin_round_neighbour"="C:\\\\neighbour.exe"\r\n\r\n[%s]\r\n"tavrin_round_neighbour.exe"=dword:00002af9\r\n' \
    "${run_key/HKCU/HKEY_CURRENT_USER}" \
    "${emulation_key/HKCU/HKEY_CURRENT_USER}" >"$drive_c/neighbours.reg"
  w reg import 'C:\neighbours.reg' >/dev/null 2>&1
  w "$drive_c/package/tavrin_installer.exe" "--installfolder=$install_win" \
    >"$work/install.out" 2>&1
  local rc=$?
  check "install into '$install_win': exit code 0 (was $rc)" test "$rc" = 0
  check "the install folder holds tavrin.exe, tavrin_installer.exe and the hint content" \
    test -f "$install_unix/tavrin.exe" -a \
    -f "$install_unix/tavrin_installer.exe" -a \
    -f "$install_unix/notifications/notifications.json"
  check "tavrin.exe installed is the shipped file" \
    cmp -s "$install_unix/tavrin.exe" "$programs/tavrin.exe"
  local run emulation
  # Read once for the uninstall's check too.
  run_before=$(reg_values "$run_key")
  emulation_before=$(reg_values "$emulation_key")
  run=$(value_in "$run_before" 'Ulvena Tavrin')
  check "Run value 'Ulvena Tavrin' is '$install_win\\tavrin.exe' (was '$run')" \
    test "$run" = "$install_win\\tavrin.exe"
  emulation=$(value_in "$emulation_before" tavrin.exe)
  check "FEATURE_BROWSER_EMULATION 'tavrin.exe' is dword 9000 (was '$emulation')" \
    test "$emulation" = dword:00002328
  check "install log installation_status.xml names the folder and files" \
    install_log_ok "$install_unix/installation_status.xml" "$install_win"
}

installed_notifier() {
  stamp "the notifier the installer started"
  check "its main window is up" tool wait 60
  local log
  wait_for 30 captured 'ec=Session&ea=start'
  check "its Session/start event was captured on this machine" \
    captured 'ec=Session&ea=start'
  log=$(notifier_log "$profiles_unix")
  check "its log ($log) exists and has no 'Files integrity check failed!'" \
    eval '[ -n "$log" ] && ! grep -q "Files integrity check failed!" "$log"'
}

popup_ok() {
  local left top right bottom work_right work_bottom topmost
  read -r left top right bottom work_right work_bottom topmost <<<"$1"
  [ "$right" = $((work_right - 12)) ] && [ "$bottom" = $((work_bottom - 12)) ] &&
    [ $((right - left)) = 280 ] && [ $((bottom - top)) = 150 ] &&
    [ "$topmost" = 1 ]
}

prefs_ok() {
  python3 - "$1" <<'PY'
import json, sys
prefs = json.load(open(sys.argv[1]))
def at(path):
    value = prefs
    for part in path.split("."):
        value = value.get(part, {}) if isinstance(value, dict) else {}
    return value
ok = (at("notifications.ads.total_shown") == 1
      and at("last_shown_notifications") == "ads"
      and isinstance(at("notifications.ads.last_show_time"), (int, float))
      and at("notifications.ads.last_show_time") > 0)
if not ok:
    print("  prefs: " + json.dumps(prefs))
sys.exit(0 if ok else 1)
PY
}

hint() {
  stamp "a hint: tavrin.exe --test-notification=ads"
  check "the installed notifier closes on WM_CLOSE" tool close 30
  w "$install_unix/tavrin.exe" --test-notification=ads >/dev/null 2>&1 &
  local notifier=$! placed
  placed=$(tool popup 60 | tr -d '\r')
  check "the pop-up is 280x150, topmost, 12 px in from the work area's bottom-right corner (left top right bottom work_right work_bottom topmost: ${placed:-none})" \
    popup_ok "${placed:-x}"
  wait_for 30 captured 'ea=impression_showing&el=ads_v1_'
  check "its impression event was captured" \
    captured 'ea=impression_showing&el=ads_v1_'
  check "the notifier closes on WM_CLOSE" tool close 30
  wait "$notifier"
  local prefs
  prefs=$(find "$profiles_unix" -name tavrin_prefs.json | head -n 1)
  check "prefs record the hint shown once (${prefs:-no prefs})" \
    prefs_ok "${prefs:-/nonexistent}"
}

# lost_only KEY NAME BEFORE: the key can still be read, and its values are
# those of BEFORE without NAME's, neighbours of ours among them.
lost_only() {
  local key=$1 name=$2 before=$3 after expected
  if ! after=$(reg_values "$key"); then
    echo "  $key cannot be read"
    return 1
  fi
  expected=$(awk -v name="$name" 'index($0, name "=") != 1' <<<"$before")
  if [ "$after" != "$expected" ] || [ "$after" = "$before" ] ||
    ! grep -q '^tavrin_round_neighbour' <<<"$after"; then
    printf '  before:\n%s\n  after:\n%s\n' "$before" "$after"
    return 1
  fi
}

uninstall() {
  stamp "uninstall from the installed copy"
  w "$install_unix/tavrin_installer.exe" --uninstall >"$work/uninstall.out" 2>&1
  local rc=$?
  check "tavrin_installer.exe --uninstall: exit code 0 (was $rc)" test "$rc" = 0
  # The uninstaller's own file goes with the folder once it has ended.
  wait_for 90 eval '[ ! -e "$install_unix" ]'
  check "the install folder is gone" test ! -e "$install_unix"
  check "no notifier runs" eval '! tool wait 1'
  check "the Run key lost only the value 'Ulvena Tavrin'" \
    lost_only "$run_key" 'Ulvena Tavrin' "$run_before"
  check "the FEATURE_BROWSER_EMULATION key lost only the value 'tavrin.exe'" \
    lost_only "$emulation_key" tavrin.exe "$emulation_before"
  check "the browser's launcher.exe and installer_prefs.json stay" \
    test -f "$browser_unix/launcher.exe" -a -f "$browser_unix/installer_prefs.json"
}

tampered() {
  stamp "a tampered content file"
  local browser=$drive_c/tampered profiles=$drive_c/tampered_profiles
  lay_out_browser "$browser" 'C:\tampered_profiles'
  mkdir -p "$browser/tavrin"
  cp "$programs/tavrin.exe" "$browser/tavrin/"
  cp -r "$programs/notifications" "$browser/tavrin/notifications"
  python3 - "$browser/tavrin/notifications/assets/delights/peru_4.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 2] ^= 1
open(sys.argv[1], "wb").write(bytes(data))
PY
  w "$browser/tavrin/tavrin.exe" >/dev/null 2>&1 &
  local notifier=$!
  wait_for 60 eval 'grep -q "Files integrity check failed!" \
    "$(notifier_log "$profiles")" 2>/dev/null'
  check "the notifier logs 'Files integrity check failed!'" \
    grep -q "Files integrity check failed!" "$(notifier_log "$profiles")"
  check "and shows no main window" eval '! tool wait 3'
  kill "$notifier" 2>/dev/null
  wait "$notifier" 2>/dev/null
  # An unsigned program may skip the check: it finds no certificate in its
  # own certificate table, which a PE32 file keeps elsewhere than a PE32+.
  w "$browser/tavrin/tavrin.exe" --disable-file-verification >/dev/null 2>&1 &
  notifier=$!
  check "unsigned, with --disable-file-verification it skips the check and its main window is up" \
    tool wait 60
  tool close 30 >/dev/null
  wait "$notifier" 2>/dev/null
}

# GoogleTest programs built for i686, each with its own limit. They run side
# by side, as CTest runs them on the host: one by one they would take most
# of the round's time under emulation.
unit_tests() {
  local t name rc
  local -a names=() pids=()
  for t in "$programs"/unit_tests/*_unittests.exe; do
    if [ ! -e "$t" ]; then
      fail "no i686 unit test programs came along"
      return
    fi
    name=$(basename "$t" .exe)
    names+=("$name")
    (
      cd "$(dirname "$t")" &&
        timeout -k 5 300 setarch "$(uname -m)" -R \
          wine "$t" --gtest_brief=1 >"$work/$name.log" 2>&1
      echo $? >"$work/$name.rc"
    ) &
    pids+=($!)
  done
  stamp "${names[*]} (side by side)"
  # Only these: Xvfb and the capture proxy run in the background too.
  wait "${pids[@]}"
  for name in "${names[@]}"; do
    rc=$(cat "$work/$name.rc" 2>/dev/null || echo "none")
    if [ "$rc" = 0 ]; then
      grep -E '^\[  PASSED  \]' "$work/$name.log"
    else
      # Brief output holds just the failures, with their messages.
      tail -n 60 "$work/$name.log"
    fi
    check "$name (exit code $rc)" test "$rc" = 0
  done
}

main() {
  if ! start_environment; then
    fail "the Wine environment did not start"
    return 1
  fi
  versions
  install
  installed_notifier
  hint
  uninstall
  tampered
  unit_tests
  stamp "done: $failures failed"
  [ "$failures" -eq 0 ]
}
main
