#!/usr/bin/env bash
# The test command: prepares the machine, builds everything and runs every
# test under Wine, ending with CTest's summary. Exit code 0 only when all pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRIN_TEST_BUILD:-$root/out/test}
"$root/tools/setup.sh"
arch=$("$root/tools/test_arch.sh")

# Where the kernel runs no 32-bit code, the shipped programs run in a virtual
# machine whose image takes about 10 minutes to make once: it is made while
# the programs compile, and waited for before the tests.
image_pid=""
image_log=$build/vm_image.log
if ! "$root/tools/can_run_32bit.sh" >/dev/null &&
  [ ! -f "$("$root/tools/vm_image.sh" --path)/ready" ]; then
  mkdir -p "$build"
  echo "test: making the virtual machine's image in the background" \
    "(log: $image_log)"
  "$root/tools/vm_image.sh" >"$image_log" 2>&1 </dev/null &
  image_pid=$!
fi
wait_for_image() {
  [ -n "$image_pid" ] || return 0
  echo "test: waiting for the virtual machine's image"
  if ! wait "$image_pid"; then
    # The round's test tries once more and reports what it found.
    echo "test: making the image failed; last lines of $image_log:"
    tail -n 20 "$image_log"
  fi
  image_pid=""
}
trap 'if [ -n "$image_pid" ]; then kill "$image_pid" 2>/dev/null || true; fi' EXIT

# Built for i686 beside the shipped programs: the stand-ins and the unit
# tests that the round of the shipped programs runs under 32-bit Wine.
shipped_round_targets="fake_launcher main_window_tool idle_helper
  in_use_helper_library base_unittests prefs_unittests
  installer_transactions_unittests installer_service_unittests
  tavrin_installer_unittests"

if [ "$arch" = i686 ]; then
  "$root/tools/build.sh" "$build"
  test_build=$build
else
  # The shipped programs are still the 32-bit ones: they are built here and
  # the PE checks look at them; the tests run a 64-bit build of the same code.
  echo "test: this machine cannot run 32-bit programs; testing a 64-bit build" \
    "under 64-bit Wine, checking the 32-bit programs' files"
  TAVRIN_TARGETS="tavrin tavrin_installer $shipped_round_targets" \
    "$root/tools/build.sh" "$build"
  test_build=$build-x86_64
  TAVRIN_ARCH=x86_64 "$root/tools/build.sh" "$test_build" \
    -DTAVRIN_SHIPPED_BIN_DIR="$build/bin"
fi
wait_for_image
ctest --test-dir "$test_build" --output-on-failure -j8 --timeout 600
