#!/usr/bin/env bash
# The main job: builds the programs and runs them under Wine, showing what
# they do.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRIN_DEMO_BUILD:-$root/out/demo-build}
shots=$root/out/demo
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build"

wine_dir="$build/wine"
"$root/tools/wine_env.sh" start "$wine_dir" "$build/bin/desktop_keeper.exe" \
  >/dev/null
trap '"$root/tools/wine_env.sh" stop "$wine_dir" >/dev/null' EXIT
export TAVRIN_WINE_ENV="$wine_dir/env"
run() { "$root/tools/wine_run.sh" "$@"; }

installer="$build/bin/tavrin_installer.exe"
echo "== tavrin_installer.exe"
file "$installer"
for switch in version internal-version stream; do
  set +e
  out=$(run "$installer" "--$switch")
  rc=$?
  set -e
  printf -- '--%-17s prints "%s" (exit code %d)\n' "$switch" "$out" "$rc"
done
set +e
run "$installer" >/dev/null
rc=$?
set -e
echo "no switch: exit code $rc"

echo
"$root/tools/demo_notifier.sh" "$build" "$shots"

# The installer's whole round: install into a browser installation, the
# notifier running, the install log, registry values and update task, and an
# uninstall that leaves nothing of it. A capture proxy for the notifier's
# analytics plugs in through TAVRIN_DEMO_HTTPS_PROXY (see demo_installer.sh).
echo
"$root/tools/demo_installer.sh" "$build" "$shots"
