#!/usr/bin/env bash
# The main job: builds the programs and runs them under Wine, showing what
# they do, step by step. Exit code 0 only when every step shown worked.
#
# Output: screenshots and the rendered hint pages in out/demo (see README).
# TAVRIN_DEMO_BUILD names the build folder (default out/demo-build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRIN_DEMO_BUILD:-$root/out/demo-build}
out_dir=$root/out/demo
cache=${TAVRIN_CACHE:-$HOME/.cache/tavrin}

say() { printf '\n== %s\n' "$*"; }

if [ "${TAVRIN_SKIP_SETUP:-}" != 1 ]; then
  say "Preparing the machine (tools/setup.sh skips what is already there)"
  "$root/tools/setup.sh"
fi

say "Building"
arch=$("$root/tools/test_arch.sh")
if [ "$arch" = i686 ]; then
  echo "building every program and test for 32-bit Windows into $build"
  "$root/tools/build.sh" "$build"
  run_build=$build
  export TAVRIN_WINE_ARCH=win32
else
  # As tools/test.sh does: what ships stays 32-bit, what runs here is the
  # same code built for 64-bit Windows.
  why=$("$root/tools/wine32_here.sh" || true)
  echo "32-bit Wine does not run here (${why#no: }). The demo builds the shipped"
  echo "32-bit programs into $build/bin, builds the same code for 64-bit"
  echo "Windows into $build-x86_64 and runs that 64-bit build under 64-bit Wine."
  TAVRIN_TARGETS="tavrin tavrin_installer" "$root/tools/build.sh" "$build"
  run_build=$build-x86_64
  TAVRIN_ARCH=x86_64 "$root/tools/build.sh" "$run_build" \
    -DTAVRIN_SHIPPED_BIN_DIR="$build/bin"
  export TAVRIN_WINE_ARCH=win64
fi
echo "the shipped programs:"
file "$build/bin/tavrin.exe" "$build/bin/tavrin_installer.exe" | sed 's/^/  /'
if [ "$run_build" != "$build" ]; then
  echo "the programs the demo runs:"
  file "$run_build/bin/tavrin.exe" "$run_build/bin/tavrin_installer.exe" |
    sed 's/^/  /'
fi

rm -rf "$out_dir"
mkdir -p "$out_dir"

# Wine's browser control renders nothing, so the hint pages are shown as
# headless Chromium renders them, in every language. That takes a while, so
# it runs beside the Wine part and is waited for at the end.
say "Rendering every hint page in headless Chromium into $out_dir/hint_pages (in the background)"
NODE_PATH="$cache/node/node_modules" node \
  "$root/tests/hint_pages/render_hint_pages.js" --out "$out_dir/hint_pages" \
  >"$out_dir/hint_pages.log" 2>&1 </dev/null &
render_pid=$!

wine_dir="$run_build/wine_demo"
cleanup() {
  if [ -n "$render_pid" ] && kill -0 "$render_pid" 2>/dev/null; then
    kill "$render_pid" 2>/dev/null || true
    wait "$render_pid" 2>/dev/null || true
  fi
  "$root/tools/wine_env.sh" stop "$wine_dir" >/dev/null || true
}
trap cleanup EXIT

say "Starting a Wine environment ($TAVRIN_WINE_ARCH prefix, its own Xvfb display, analytics capture proxy)"
"$root/tools/wine_env.sh" start "$wine_dir" \
  "$run_build/bin/desktop_keeper.exe"
export TAVRIN_WINE_ENV="$wine_dir/env"
run() { "$root/tools/wine_run.sh" "$@"; }

failed=0
installer="$run_build/bin/tavrin_installer.exe"
say "What tavrin_installer.exe answers"
for switch in version internal-version stream; do
  set +e
  out=$(run "$installer" "--$switch")
  rc=$?
  set -e
  printf -- '--%-17s prints "%s" (exit code %d)\n' "$switch" "$out" "$rc"
  if [ "$rc" -ne 0 ] || [ -z "$out" ]; then failed=1; fi
done
set +e
run "$installer" >/dev/null
rc=$?
set -e
echo "no switch: exit code $rc (nothing to do is a failure)"
[ "$rc" -eq 1 ] || failed=1

say "The notifier on its own"
"$root/tools/demo_notifier.sh" "$run_build" "$out_dir" || failed=1

say "The installer's whole round"
"$root/tools/demo_installer.sh" "$run_build" "$out_dir" || failed=1

say "The hint pages as rendered in headless Chromium"
set +e
wait "$render_pid"
rc=$?
set -e
render_pid=""
tail -n 1 "$out_dir/hint_pages.log"
if [ "$rc" -ne 0 ]; then
  echo "the hint pages' checks failed (exit code $rc); see $out_dir/hint_pages.log"
  grep '^FAIL' "$out_dir/hint_pages.log" | head -n 20 || true
  failed=1
fi
echo "pictures: $out_dir/hint_pages/<language>/<hint>-<variant>.png"

say "Result"
echo "screenshots: $(cd "$out_dir" && ls ./*.png | tr '\n' ' ')"
echo "in $out_dir"
if [ "$failed" -ne 0 ]; then
  echo "the demo FAILED: some step above did not work"
  exit 1
fi
echo "every step worked"
