# Sourced by the demo scripts, with their arguments BUILD_DIR [OUTPUT_DIR]
# and demo_name set: sets build, out_dir, own_env (the Wine environment made
# for this run when TAVRIN_WINE_ENV names none, to be stopped by the caller),
# capture_file and events_before (the captured events before this run), and
# defines fail, which marks the run as failed in $failed, and tool, which
# runs main_window_tool.
build=$(cd "$1" && pwd)
out_dir=${2:-$root/out/demo}
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)

own_env=""
if [ -z "${TAVRIN_WINE_ENV:-}" ] || [ ! -f "$TAVRIN_WINE_ENV" ]; then
  own_env="$build/wine_$demo_name"
  "$root/tools/wine_env.sh" start "$own_env" \
    "$build/bin/desktop_keeper.exe" >/dev/null
  export TAVRIN_WINE_ENV="$own_env/env"
fi
# shellcheck disable=SC1090
source "$TAVRIN_WINE_ENV"
if [ -z "${https_proxy:-}" ] || [ -z "${TAVRIN_EVENT_CAPTURE:-}" ]; then
  echo "the Wine environment has no capture proxy; not running $demo_name" >&2
  exit 1
fi
capture_file=${TAVRIN_EVENT_CAPTURE#Z:}
# Only the events of this run are shown.
events_before=$(wc -l <"$capture_file" 2>/dev/null || echo 0)
failed=0
# The notifier's main window, as scripts reach it (test/main_window_tool.cc).
tool() { wine "$build/bin/main_window_tool.exe" "$@"; }
fail() {
  echo "FAILED: $*" >&2
  failed=1
}
