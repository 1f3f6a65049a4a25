#!/usr/bin/env bash
# Shows the notifier at work under Wine: lays out a browser installation
# (our stand-in launcher.exe, installer_prefs.json, tavrin.exe in the
# subfolder "tavrin"), starts the notifier in the run's Xvfb display, waits
# for its main window, saves screenshots of the screen with its tray icon and
# with its tray menu open, chooses "Launch ulvena", then closes the notifier
# with WM_CLOSE and reports what it did.
#
#   tools/demo_notifier.sh BUILD_DIR [OUTPUT_DIR]
#
# BUILD_DIR holds the built bin/tavrin.exe, bin/fake_launcher.exe and
# bin/main_window_tool.exe. Screenshots go to OUTPUT_DIR (default out/demo):
# notifier.png and notifier_menu.png. The Wine environment of
# TAVRIN_WINE_ENV is used when set; otherwise one is made for this run.
# Either way the notifier's analytics events go to the environment's capture
# proxy on 127.0.0.1, never to the network; the demo prints those it sent.
# Exit code 0 only when every step shown worked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
demo_name=demo_notifier
# shellcheck source=tools/demo_env.sh
source "$root/tools/demo_env.sh" "$@"

demo="$build/demo_notifier"
notifier_pid=""
chrome_pid=""
cleanup() {
  if [ -n "$chrome_pid" ]; then
    kill "$chrome_pid" 2>/dev/null || true
  fi
  if [ -n "$notifier_pid" ] && kill -0 "$notifier_pid" 2>/dev/null; then
    tool close 10 >/dev/null 2>&1 || true
    kill "$notifier_pid" 2>/dev/null || true
  fi
  if [ -n "$own_env" ]; then
    "$root/tools/wine_env.sh" stop "$own_env" >/dev/null
  fi
}
trap cleanup EXIT

# The browser installation and a profile folder named after the user, as
# the browser's installer writes it.
rm -rf "$demo"
mkdir -p "$demo/install/tavrin" "$demo/profiles"
cp "$build/bin/fake_launcher.exe" "$demo/install/launcher.exe"
cp "$build/bin/tavrin.exe" "$demo/install/tavrin/tavrin.exe"
# The hint content, which the notifier checks at start.
if [ -d "$build/bin/notifications" ]; then
  cp -r "$build/bin/notifications" "$demo/install/tavrin/notifications"
fi
profiles_win=$(winepath -w "$demo/profiles" 2>/dev/null)
python3 - "$demo/install/installer_prefs.json" "$profiles_win" <<'PY'
import json, sys
with open(sys.argv[1], "w") as f:
    json.dump({"profile_path": sys.argv[2] + "\\<USERNAME>\\Ulvena",
               "language": "en"}, f, indent=2)
PY

echo "== tavrin.exe"
echo "browser installation: $demo/install"
# Another browser runs (a process of ours named chrome.exe), so the hint
# checks may show a hint; small delays bring the first check 2 s after start.
cp "$build/bin/idle_process.exe" "$demo/chrome.exe"
wine "$demo/chrome.exe" 120 >/dev/null 2>&1 &
chrome_pid=$!
wine "$demo/install/tavrin/tavrin.exe" \
  --override-initial-notification-delay=2 \
  --override-after-notification-delay=3600 >/dev/null 2>&1 &
notifier_pid=$!
if ! tool wait 30; then
  echo "the notifier's main window did not appear" >&2
  exit 1
fi
echo "main window \"Ulvena Tavrin Main Window\" is up"
# Give the tray a moment to draw the icon.
sleep 2
import -window root -display "$DISPLAY" "$out_dir/notifier.png"
echo "screenshot with the tray icon: $out_dir/notifier.png"

# The scheduler's first check, 2 s after start, chooses and shows a hint.
shown=""
for _ in $(seq 100); do
  log_file=$(find "$demo/profiles" -name tavrin.log | head -n 1)
  shown=$(grep -o '] Show [a-z]*\.' "${log_file:-/dev/null}" 2>/dev/null | head -n 1 || true)
  [ -n "$shown" ] && break
  sleep 0.1
done
if [ -n "$shown" ]; then
  echo "the scheduler's check: ${shown#] }"
else
  fail "the scheduler's check showed no hint"
fi
sleep 1.5
import -window root -display "$DISPLAY" "$out_dir/notifier_hint.png"
echo "screenshot with the hint's pop-up: $out_dir/notifier_hint.png"

# The tray menu, as a right click on the icon opens it.
tool menu 600 500
sleep 1
import -window root -display "$DISPLAY" "$out_dir/notifier_menu.png"
echo "screenshot with the tray menu: $out_dir/notifier_menu.png"
tool endmenu || true
sleep 0.5

# "Launch ulvena" starts the browser's launcher.
tool command 100
for _ in $(seq 50); do
  [ -s "$demo/install/launcher_calls.txt" ] && break
  sleep 0.1
done
if [ -s "$demo/install/launcher_calls.txt" ]; then
  echo "launcher.exe was called as: $(cat "$demo/install/launcher_calls.txt")"
else
  fail "\"Launch ulvena\" did not start launcher.exe"
fi

# A second notifier leaves at once while this one runs.
set +e
timeout 30 wine "$demo/install/tavrin/tavrin.exe"
second_rc=$?
set -e
echo "a second tavrin.exe exited with $second_rc"
[ "$second_rc" -eq 0 ] || fail "the second tavrin.exe did not leave at once"

# WM_CLOSE, as the tray menu's "Close" or the installer sends it.
tool close 15
set +e
wait "$notifier_pid"
rc=$?
set -e
notifier_pid=""
echo "tavrin.exe exited with $rc after WM_CLOSE"
[ "$rc" -eq 0 ] || fail "tavrin.exe exited with $rc"
echo "analytics events it sent, captured on this machine by the proxy at" \
  "$https_proxy (nothing left the machine):"
events=$(tail -n +"$((events_before + 1))" "$capture_file" 2>/dev/null |
  python3 -c 'import json, sys
for line in sys.stdin:
    e = json.loads(line)
    print("  POST https://%s%s  %s" % (e["host"].removesuffix(":443"),
                                     e["path"], e["body"]))')
if [ -n "$events" ]; then
  echo "$events"
else
  fail "the notifier sent no analytics event"
fi
profile=$(find "$demo/profiles" -mindepth 2 -maxdepth 2 -type d | head -n 1)
echo "profile folder (from \"profile_path\", user name filled in): ${profile:-none}"
if [ -n "$profile" ]; then
  for f in "$profile"/*; do
    [ -e "$f" ] || continue
    if [ -s "$f" ]; then
      echo "  $(basename "$f"):"
      sed 's/^/    /' "$f"
    else
      echo "  $(basename "$f") (empty)"
    fi
  done
fi
exit "$failed"
