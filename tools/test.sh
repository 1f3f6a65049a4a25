#!/usr/bin/env bash
# The test command: prepares the machine, builds everything and runs every
# test under Wine, ending with CTest's summary. Exit code 0 only when all pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRIN_TEST_BUILD:-$root/out/test}
"$root/tools/setup.sh"
arch=$("$root/tools/test_arch.sh")
if [ "$arch" = i686 ]; then
  "$root/tools/build.sh" "$build"
  test_build=$build
else
  # The shipped programs are still the 32-bit ones: they are built here and
  # the PE checks look at them; the tests run a 64-bit build of the same code.
  echo "test: this machine cannot run 32-bit programs; testing a 64-bit build" \
    "under 64-bit Wine, checking the 32-bit programs' files"
  TAVRIN_TARGETS="tavrin tavrin_installer" "$root/tools/build.sh" "$build"
  test_build=$build-x86_64
  TAVRIN_ARCH=x86_64 "$root/tools/build.sh" "$test_build" \
    -DTAVRIN_SHIPPED_BIN_DIR="$build/bin"
fi
ctest --test-dir "$test_build" --output-on-failure -j8 --timeout 600
