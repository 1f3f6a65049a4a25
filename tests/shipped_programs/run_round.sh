#!/usr/bin/env bash
# CTest's test of the shipped 32-bit programs: takes exactly the stripped
# PE32 files of the shipped build folder, with the i686 stand-ins and unit
# tests built beside them, and runs round.sh under real 32-bit Wine: on this
# host where its kernel runs 32-bit code, else in the virtual machine of
# tools/vm_run.sh (one boot), as tools/wine32_here.sh decides.
#
#   run_round.sh SHIPPED_BIN_DIR WORK_DIR
#
# Exit code 0 only when every check of the round passed. A round that cannot
# run (no QEMU, no image) fails with its reason: the shipped programs are
# what users get, and a run that never started them proves nothing of them.
# Only with TAVRIN_SHIPPED_ROUND_OPTIONAL=1 does it exit 77 (CTest's
# SKIP_RETURN_CODE) instead, and writes the reason to WORK_DIR/skipped,
# which tools/test.sh reports after CTest's summary.
#
# TAVRIN_ROUND_LIMIT is CTest's TIMEOUT for this test (tests/CMakeLists.txt
# sets both): where the image must still be made or waited for, the build
# gets what is left after the machine's own run, and ends itself within it,
# so that CTest never has to kill a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
round_limit=${TAVRIN_ROUND_LIMIT:-2400}
vm_limit=${TAVRIN_VM_LIMIT:-900}
bin=$1
mkdir -p "$2"
work=$(cd "$2" && pwd)
programs=$work/programs
# Run where the time allows: the unit tests of what the installer is made
# of, with the helper programs they start.
unit_tests=(base_unittests prefs_unittests installer_transactions_unittests
  installer_service_unittests tavrin_installer_unittests)
unit_test_helpers=(idle_helper.exe in_use_helper_library.dll
  planted_command.exe unclosable_notifier.exe)

rm -f "$work/skipped"
cannot_run() {
  if [ "${TAVRIN_SHIPPED_ROUND_OPTIONAL:-}" = 1 ]; then
    echo "SKIPPED (TAVRIN_SHIPPED_ROUND_OPTIONAL=1): the shipped programs" \
      "were not run: $*"
    echo "$*" >"$work/skipped"
    exit 77
  fi
  echo "FAIL: the shipped programs cannot be run: $*"
  echo "(TAVRIN_SHIPPED_ROUND_OPTIONAL=1 turns this into a skip)"
  exit 1
}

# The version that the installer's version resource carries.
expected_version() {
  sed -n 's/.*VALUE "FileVersion", "\([0-9.]*\)".*/\1/p' \
    "$root/desktop/windows/tavrin/installer/tavrin_installer.rc"
}

is_pe32() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read(4096)
pe = struct.unpack_from("<I", data, 0x3C)[0]
ok = data[pe:pe + 4] == b"PE\0\0" and \
    struct.unpack_from("<H", data, pe + 24)[0] == 0x10B
sys.exit(0 if ok else 1)
PY
}

gather_programs() {
  rm -rf "$programs"
  mkdir -p "$programs/capture_proxy" "$programs/unit_tests"
  local f
  for f in tavrin.exe tavrin_installer.exe; do
    [ -f "$bin/$f" ] || { echo "FAIL: no $bin/$f"; exit 1; }
  done
  # What tools/test.sh builds for i686 beside them: a program missing here
  # would leave its checks out without a word.
  for f in fake_launcher.exe main_window_tool.exe \
    "${unit_tests[@]/%/.exe}" "${unit_test_helpers[@]}"; do
    [ -f "$bin/$f" ] || { echo "FAIL: no $bin/$f (tools/test.sh builds it)"; exit 1; }
  done
  for f in tavrin.exe tavrin_installer.exe fake_launcher.exe \
    main_window_tool.exe; do
    is_pe32 "$bin/$f" || { echo "FAIL: $bin/$f is not a PE32 file"; exit 1; }
    cp "$bin/$f" "$programs/"
  done
  cp -r "$bin/notifications" "$programs/notifications"
  cp "$root/tests/test/event_capture_proxy.py" \
    "$root/tests/test/local_tls_service.py" "$programs/capture_proxy/"
  for f in "${unit_tests[@]/%/.exe}" "${unit_test_helpers[@]}"; do
    cp "$bin/$f" "$programs/unit_tests/"
  done
}

run_on_host() {
  echo "32-bit code runs here: the round runs on this host"
  (cd "$programs" && TAVRIN_ROUND_WORK=$work/round WINEPREFIX="" \
    bash "$root/tests/shipped_programs/round.sh" "$version")
}

run_in_vm() {
  command -v qemu-system-x86_64 >/dev/null ||
    cannot_run "$why_vm, and qemu-system-x86_64 is missing" \
      "(tools/setup.sh installs it)"
  local image_dir
  image_dir=$("$root/tools/vm_image.sh" --path)
  if [ ! -f "$image_dir/ready" ]; then
    # The machine's run, vm_run.sh's own stop, the build's 30 s to end its
    # processes after its limit, and a margin.
    local left=$((round_limit - SECONDS - vm_limit - 120))
    [ "$left" -ge 60 ] ||
      cannot_run "$why_vm, the virtual machine's image is not made, and" \
        "this test has no time left to make it"
    # Waits for a build that tools/test.sh started, or makes the image.
    echo "waiting for the virtual machine's image (tools/vm_image.sh, at" \
      "most $left s)"
    local rc=0
    TAVRIN_VM_BUILD_LIMIT=$left "$root/tools/vm_image.sh" \
      >"$work/vm_image.log" 2>&1 || rc=$?
    if [ "$rc" -ne 0 ]; then
      tail -n 20 "$work/vm_image.log"
      if [ "$rc" -eq 124 ]; then
        cannot_run "$why_vm, and the virtual machine's image was not made" \
          "within the $left s this test had left for it: the build was" \
          "stopped (see $work/vm_image.log)"
      fi
      cannot_run "$why_vm, and the virtual machine's image could not be" \
        "made (see $work/vm_image.log)"
    fi
  fi
  echo "$why_vm: the round runs in a virtual machine under 32-bit Wine"
  TAVRIN_VM_LIMIT=$vm_limit "$root/tools/vm_run.sh" \
    --script "$root/tests/shipped_programs/round.sh" --programs "$programs" \
    --dir "$work/vm" -- "$version"
}

version=$(expected_version)
gather_programs
if why_vm=$("$root/tools/wine32_here.sh"); then
  run_on_host
else
  why_vm=${why_vm#no: }
  run_in_vm
fi
